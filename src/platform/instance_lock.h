// The single-instance lock: a named mutex that tells a second copy of the
// program that one is running.
//
// On POSIX the named mutex is an flock on a lock file of that name in
// $XDG_RUNTIME_DIR (per user), else in the temporary folder with ".<uid>"
// appended (so users do not share it). The kernel releases it when the
// process ends, however it ends. The lock is not inherited by programs the
// holder starts.
#pragma once

#include <string>

#include "platform/win32_types.h"

// Creates or opens the mutex. The result is a handle (null on failure, with
// GetLastError saying why). When another process holds it, GetLastError is
// ERROR_ALREADY_EXISTS and this handle does not hold it; otherwise
// GetLastError is ERROR_SUCCESS and the handle holds it until CloseHandle
// or the end of the process. security and initialOwner are ignored.
HANDLE CreateMutexA(void* security, int initialOwner, const char* name);
// Ownership stays with the handle (the flock is the mutex's existence, not
// its ownership), so this only reports success for a valid handle.
int ReleaseMutex(HANDLE mutex);
// Closes a mutex handle, releasing the lock it holds.
int CloseHandle(HANDLE handle);
// The lock file that CreateMutexA uses for name.
std::string InstanceLockPath(const char* name);
