// One line of the platform layer's own diagnostics (a damaged settings file,
// say). The layer depends on nothing of ours, so the program's log registers
// itself as the sink at start-up; until then lines go to standard error.
#pragma once

using PlatLogSink = void (*)(const char* line);

// Sets where lines go (nullptr: standard error again).
void SetPlatLogSink(PlatLogSink sink);
// printf-style; the line is cut to 512 bytes.
void PlatLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
