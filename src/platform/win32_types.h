// The few Win32 scalar types that the platform's Win32-shaped functions use.
#pragma once

#include <cstdint>

typedef uint32_t DWORD;  // 32 bits on every platform, as on Windows

// Win32 error codes that the platform's functions return or report.
constexpr long ERROR_SUCCESS = 0;
constexpr long ERROR_FILE_NOT_FOUND = 2;
constexpr long ERROR_PATH_NOT_FOUND = 3;
constexpr long ERROR_ACCESS_DENIED = 5;
constexpr long ERROR_INVALID_HANDLE = 6;
constexpr long ERROR_BAD_FORMAT = 11;
constexpr long ERROR_INVALID_PARAMETER = 87;
constexpr long ERROR_ALREADY_EXISTS = 183;
constexpr long ERROR_MORE_DATA = 234;
constexpr long ERROR_CANTWRITE = 1013;
constexpr long ERROR_KEY_DELETED = 1018;

typedef void* HANDLE;

// The calling thread's last error, as set by the platform calls that say so.
DWORD GetLastError();
void SetLastError(DWORD error);
