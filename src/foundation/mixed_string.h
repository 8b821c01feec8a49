// Mixed-width strings: NUL-terminated byte strings that may switch to 16-bit
// characters and back.
//
// Encoding:
//  - A string starts narrow: one byte per character.
//  - In narrow mode the bytes 0x01 0x01 switch to wide mode (a string that is
//    wide from its start begins with them).
//  - In wide mode each character is a 16-bit little-endian unit; the unit
//    0x0001 (bytes 0x01 0x00) switches back to narrow mode.
//  - The string ends at the terminator of the mode it is in: one 0 byte in
//    narrow mode, the unit 0x0000 in wide mode.
// A string without the byte 0x01 is an ordinary C string, and every routine
// here treats it as the standard string functions would.
//
// Damaged input: in narrow mode a 0x01 followed by 0x00 ends the string (the
// 0x00 is taken as the terminator), and a 0x01 followed by any other byte
// switches to wide mode taking only the one byte. Text that comes from outside
// the program is stored with four zero bytes after it, so that decoding it
// always stops inside its buffer, whatever its bytes are.
//
// Bounded writers take `end`, the address one past the last byte they may
// write. They always leave a terminator of the right mode and report a cut
// output by a nonzero result.
#pragma once

#include <cstddef>

// Returns the character at the cursor and advances it by 2 in wide mode, by 1
// in narrow mode. The switch code is not interpreted.
unsigned NextChar(const char*& cursor, int wide);

// Decodes the next character of a mixed-width string, following switch codes:
// returns it and advances the cursor, or returns 0 at the terminator (the
// cursor then stays on the terminator). `wide` holds the mode in force and is
// updated by switches.
unsigned NextMixedChar(const char*& cursor, int& wide);

// Size in bytes, switch codes and the terminator of the final mode included.
size_t StrBytes(const char* s);

// Cuts the string at its first line feed, writing the terminator that fits the
// mode in force there.
void KillNewLine(char* s);

// First / last position of character ch (decoded mode by mode), or null. A ch
// of 0 finds the terminator. The variants store the mode in force at the
// returned position (1 wide, 0 narrow) in *wide.
char* StrChr(const char* s, unsigned ch);
char* StrChr(const char* s, unsigned ch, int* wide);
char* StrrChr(const char* s, unsigned ch);
char* StrrChr(const char* s, unsigned ch, int* wide);

// Compares character by character by 16-bit value, whatever the width each
// character is stored in. Returns -1, 0 or 1; a string that ends first is the
// smaller.
int StrCmp(const char* a, const char* b);

// Case-insensitive comparison of narrow strings in which runs of decimal
// digits compare by value ("file9" before "file10"): where the strings first
// differ with a digit on both sides, the two digit runs around that point are
// compared by value; runs of equal value ("01", "1") and all other differences
// compare by character, ignoring ASCII case. Returns 0 only for strings equal
// ignoring case, otherwise 1 or -1, consistently both ways round.
int stricmp_numerically(const char* a, const char* b);

// Writes mixed-width text into a bounded buffer. It keeps the invariant that
// the terminator of the current mode always fits at the cursor; a character
// that would break it cuts the output (everything after is dropped).
// Switch codes are written only when a character needs the other mode.
struct MixedWriter {
  char* cursor;
  const char* end;
  int wide;     // mode of the output at the cursor
  int desired;  // mode the next character should be written in
  int cut;      // set once a character did not fit

  // A buffer too small for even the terminator is cut from the start and
  // never written.
  MixedWriter(char* cursor, const char* end, int wide);
  // Appends one character. Narrow characters are widened in wide output; a
  // character above 0xFF switches the output to wide. 0 and the switch value 1
  // cannot be stored and are dropped. Returns 0 when the output is cut.
  int Put(unsigned ch);
  // Appends a mixed-width string, following its switches: its wide parts go
  // out wide, and after it switches back to narrow the output does too.
  int Append(const char* src);
  // Writes the terminator of the current mode at the cursor (the cursor stays).
  void Terminate();
};

// Copies a mixed-width string into [dst, end). Returns nonzero when cut.
int StrCpy(char* dst, const char* src, const char* end);
// The same with the destination size in bytes.
int StrNCpy(char* dst, const char* src, size_t size);

// Appends src at the cursor, whose mode is *wide, never writing at or past
// end; narrow characters of src are widened while the destination is wide.
// Advances the cursor, updates the mode, writes the terminator and returns
// nonzero when the output had to be cut.
int StrAppend(char*& cursor, int& wide, const char* src, const char* end);
// Appends src at the end of the mixed-width string in dst (size bytes).
int StrNAppend(char* dst, const char* src, size_t size);

// Append one byte / one 16-bit unit (low and high byte) and advance. When only
// the room for a terminator remains, they write the terminator instead (if it
// fits) and return 1 ("cut"); otherwise 0.
int CharAppendCheckingStrEnd(char*& cursor, unsigned char ch, const char* end);
int CharAppendCheckingStrEndUnicode(char*& cursor, unsigned char high, const char* end, unsigned char low);

// The integer value of s. Every character must be a decimal digit, "+" or "-",
// otherwise the program ends with "bad integer %s". Values beyond the int
// range are clamped.
int SafeAToI(const char* s);
// The floating value of s; digits, "+", "-", "." and "E"/"e" only, otherwise
// the program ends with "bad floating point number %s".
double SafeAToF(const char* s);

// Inserts t at the start of s, moving the rest up (s must have the room).
void StrIns(char* s, const char* t);
// Replaces the first word of s by t; a word ends at the first space, ",", "(",
// ")", "[", "]" or "=", or at the end (s must have the room).
void StrRep(char* s, const char* t);
// Replaces every character a by b in place, mode by mode. A narrow character
// is replaced only when b fits in a byte.
void StrReplC(char* s, unsigned a, unsigned b);
