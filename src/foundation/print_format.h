// Formatted printing with positional arguments into mixed-width strings.
//
// A directive is "%", then any digits and "." (read and ignored), an optional
// "/N" (N from 1 to 9: use argument N, 1-based), then a conversion letter;
// "%%" is a literal percent sign. Only the letters registered in
// PrintFFunctionTable exist: c (a character), d (a signed 32-bit decimal) and
// s (a mixed-width string). A directive without "/N" takes the argument whose
// index is the number of letter directives before it. At most 16 arguments.
//
// The format is a mixed-width string and so is the output: a width switch in
// the format switches the output, and wide text of a string argument is
// written wide. Faults in the format (an unknown letter, two directives for
// one argument, more than 16 arguments, an argument no directive uses) are
// programming errors and end the program through Fail. A "%" at the very end
// of the format is written as it is.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "foundation/mixed_string.h"

// One collected argument.
union PrintFValue {
  int32_t i;
  const char* s;
  int64_t q;
};

// Appends the text of one argument to the output in the output's mode.
// Returns 0 when the output was cut.
typedef int (*PrintFRoutine)(PrintFValue value, MixedWriter& out);

// How an argument is taken from the variable argument list.
enum PrintFArgKind { kPrintFInt, kPrintFPointer, kPrintFInt64 };

// One conversion letter. size is the argument's size in bytes (4 or 8); 0
// means the letter is not registered.
struct SizeTable {
  int size;
  PrintFArgKind kind;
  PrintFRoutine routine;
};

extern SizeTable PrintFFunctionTable[128];

// Registers c, d and s; runs among the start-up initialisers (VSNPrintF
// also runs it if nothing has yet).
void InitPrintFunctionTable();

constexpr int kPrintFMaxArgs = 16;
constexpr size_t kPrintFUnboundedSize = 100000000;

// Formats into out (size bytes, terminator included). Returns nonzero when the
// output was cut to fit; the output is always terminated when size allows
// (size 0 writes nothing).
int VSNPrintF(char* out, size_t size, const char* format, va_list args);
// The same; always returns 0.
int SNPrintF(char* out, size_t size, const char* format, ...);
// Unbounded forms (a size of 100000000): the caller guarantees the room.
int SPrintF(char* out, const char* format, ...);
void VSPrintF(char* out, const char* format, va_list args);
