#include "foundation/print_format.h"

#include <cctype>
#include <cstdio>

#include "foundation/fail.h"
#include "foundation/runtime.h"

SizeTable PrintFFunctionTable[128];

namespace {
int MyCharFunc(PrintFValue value, MixedWriter& out) { return out.Put(static_cast<unsigned char>(value.i & 0xFF)); }

int MyIntFunc(PrintFValue value, MixedWriter& out) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%d", static_cast<int>(value.i));
  for (const char* p = digits; *p; ++p)
    if (!out.Put(static_cast<unsigned char>(*p))) return 0;
  return 1;
}

int MyStringFunc(PrintFValue value, MixedWriter& out) { return out.Append(value.s ? value.s : "(null)"); }

StartupRegistration registration(InitPrintFunctionTable);

enum DirectiveKind { kLiteralPercent, kTrailingPercent, kLetter };

struct Directive {
  DirectiveKind kind;
  int slot;  // from "/N", or -1
  unsigned letter;
};

// Reads one directive; the cursor stands after its "%". Characters that
// cannot be part of a directive end the program.
Directive ReadDirective(const char*& p, int& wide, const char* format) {
  Directive d{kLetter, -1, 0};
  for (;;) {
    unsigned c = NextMixedChar(p, wide);
    if (c == 0) {
      d.kind = kTrailingPercent;
      return d;
    }
    if (c == '%') {
      d.kind = kLiteralPercent;
      return d;
    }
    if ((c >= '0' && c <= '9') || c == '.') continue;
    if (c == '/') {
      const char* save = p;
      unsigned n = NextMixedChar(p, wide);
      if (n >= '1' && n <= '9') d.slot = static_cast<int>(n - '1');
      else if (n != '.') {
        p = save;
        Fail("unrecognized format char %c in %s", '/', format);
      }
      continue;
    }
    if (c < 128 && std::isalpha(static_cast<int>(c))) {
      d.letter = c;
      return d;
    }
    Fail("unrecognized format char %c in %s", static_cast<int>(c & 0xFF), format);
  }
}
}  // namespace

namespace {
bool g_tableReady = false;
}  // namespace

void InitPrintFunctionTable() {
  g_tableReady = true;
  PrintFFunctionTable['c'] = {4, kPrintFInt, MyCharFunc};
  PrintFFunctionTable['d'] = {4, kPrintFInt, MyIntFunc};
  PrintFFunctionTable['s'] = {4, kPrintFPointer, MyStringFunc};
}

int VSNPrintF(char* out, size_t size, const char* format, va_list args) {
  // Code that formats before the initialisers have run (fuzz targets,
  // benchmarks) gets the table all the same.
  if (!g_tableReady) InitPrintFunctionTable();
  // 1. Scan: which argument each directive uses, and its size.
  const SizeTable* slots[kPrintFMaxArgs] = {};
  int highest = -1;
  int letters = 0;
  {
    const char* p = format;
    int wide = 0;
    for (;;) {
      unsigned c = NextMixedChar(p, wide);
      if (c == 0) break;
      if (c != '%') continue;
      Directive d = ReadDirective(p, wide, format);
      if (d.kind != kLetter) continue;
      const SizeTable& entry = PrintFFunctionTable[d.letter];
      if (entry.size == 0) Fail("unrecognized format char %c in %s", static_cast<int>(d.letter), format);
      int index = d.slot >= 0 ? d.slot : letters;
      ++letters;
      if (index >= kPrintFMaxArgs)
        Fail("Max args needs to be incremented - current %d needs %d", index, kPrintFMaxArgs);
      if (slots[index]) Fail("duplicate '/' delimiter entry in %s", format);
      slots[index] = &entry;
      if (index > highest) highest = index;
    }
  }

  // 2. Collect, in slot order. The table gives 4 bytes for c, d and s, the
  // sizes of an int and of a pointer on the 32-bit platform the format rules
  // were made for. On x86-64 every variadic slot is 8 bytes and a pointer does
  // not fit in 4, so each slot is taken as the type its letter registers
  // (int for c and d, a pointer for s); a size of 8 is a 64-bit integer.
  PrintFValue values[kPrintFMaxArgs] = {};
  for (int i = 0; i <= highest; ++i) {
    int argSize = slots[i] ? slots[i]->size : 0;
    if (argSize != 4 && argSize != 8) Fail("Undefined arg size: %d", argSize);
    if (argSize == 8) values[i].q = va_arg(args, int64_t);
    else if (slots[i]->kind == kPrintFPointer) values[i].s = va_arg(args, const char*);
    else values[i].i = va_arg(args, int32_t);
  }

  // 3. Emit.
  MixedWriter w(out, out + size, 0);
  {
    const char* p = format;
    int wide = 0;
    int letter = 0;
    for (;;) {
      int before = wide;
      unsigned c = NextMixedChar(p, wide);
      if (wide != before) w.desired = wide;
      if (c == 0) break;
      if (c != '%') {
        if (!w.Put(c)) break;
        continue;
      }
      Directive d = ReadDirective(p, wide, format);
      if (d.kind != kLetter) {
        if (!w.Put('%')) break;
        continue;
      }
      int index = d.slot >= 0 ? d.slot : letter;
      ++letter;
      if (!slots[index]->routine(values[index], w)) break;
    }
  }
  // 4. Terminate in the mode in force at the cursor.
  w.Terminate();
  return w.cut;
}

int SNPrintF(char* out, size_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  VSNPrintF(out, size, format, args);
  va_end(args);
  return 0;
}

int SPrintF(char* out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  VSNPrintF(out, kPrintFUnboundedSize, format, args);
  va_end(args);
  return 0;
}

void VSPrintF(char* out, const char* format, va_list args) { VSNPrintF(out, kPrintFUnboundedSize, format, args); }
