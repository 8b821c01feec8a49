// The patch command stream: decoding a patch against the old contents of a
// file.
//
// A patch is a sequence of commands with no header or trailer. The decoder
// keeps a source position into the old data (starting at 0) and an output
// position. Copy commands first move the source position by a signed offset,
// then copy bytes from there; literal commands append bytes from the patch and
// leave the source position alone. Numbers are little-endian.
//
//   0x00 len16 off16s          copy len (0..65535) bytes; len 0 is a pure move
//   0x01..0x7F bytes           append that many (1..127) literal bytes
//   0x80 len8 off16s           copy len (1..255) bytes
//   0x80 0x00 len24 bytes      append len literal bytes
//   0x81..0xFF off8s           copy (byte - 0x80) bytes, 1..127
#pragma once

#include <cstddef>
#include <functional>

// Decodes the command stream diff (diffLength bytes) against old (oldLength
// bytes) into out, which holds outCapacity bytes.
//
// Returns 1 when the whole stream was decoded; outLength is then the number of
// bytes written. Returns 0 at the first command that is cut short by the end
// of the stream, copies from outside the old data, or would write past
// outCapacity; nothing is read or written out of bounds, and outLength is then
// -1 so that it can never match an expected size. Moving the source position
// outside the old data is allowed as long as nothing is copied from there.
int ApplyDiffs2(const unsigned char* old, const unsigned char* diff, long long oldLength, long long diffLength,
                long long& outLength, unsigned char* out, unsigned long long outCapacity);

// The number of bytes the stream diff writes, from its command headers alone
// (the old data is not consulted), or -1 when a command is cut short by the
// end of the stream. Lets a caller without a known result size size its
// output buffer.
long long PatchResultLength(const unsigned char* diff, long long diffLength);

// Decodes diff against old without keeping the result: its bytes go to sink
// piece by piece, in order. Returns the result's length, or -1 at the first
// bad command (after the pieces before it). For a result that is only
// digested or written out, of any size.
long long StreamDiffs(const unsigned char* old, long long oldLength, const unsigned char* diff, long long diffLength,
                      const std::function<void(const unsigned char*, size_t)>& sink);
