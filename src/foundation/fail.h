// The fatal stop for programming errors and exhausted memory: formats the
// message (at most 131 characters), logs it and ends the program through
// PrintMessageAndExit. A null format ends it without a message box.
// Errors that come from outside the program are values the caller checks;
// Fail is only for what must end the program.
#pragma once

[[noreturn]] void Fail(const char* format, ...) __attribute__((format(printf, 1, 2)));
