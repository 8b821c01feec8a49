// Making patches in the command format that ApplyDiffs2 decodes.
//
// The encoder indexes the old data with a hash of every few positions'
// 16-byte window and walks the new data once. At each position it tries the
// places where the old data most likely continues (straight on after the last
// copy, or skipping as many bytes as the pending literal run replaced) and
// then the indexed places with the same window, extends each candidate both
// ways and takes the one that saves the most bytes once the cost of its
// offset is counted. Offsets beyond the 16-bit range are reached by chains of
// zero-length copies, so a far match is taken only when it is long enough to
// pay for them. Command forms are chosen by size: two-byte copies for short
// near copies, one-byte literal headers up to the point where the five-byte
// long form is smaller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Returns the patch that turns old (oldLength bytes) into newData (newLength
// bytes). Either may be empty; an empty new file gives an empty patch. Both
// are held in memory; the tools give it files below 2 GiB (the decoder takes
// any length).
std::vector<unsigned char> MakePatch(const unsigned char* old, size_t oldLength, const unsigned char* newData,
                                     size_t newLength);

// Command-level writer, exposed for tests that need streams of a given shape.
// It tracks the decoder's source position so that copies are given as
// absolute positions in the old data.
class PatchCommandWriter {
 public:
  explicit PatchCommandWriter(std::vector<unsigned char>& out) : out_(out) {}

  // Appends n literal bytes with the smallest headers: one-byte headers for
  // runs up to 508 bytes, the long form above that.
  void Literal(const unsigned char* bytes, size_t n);
  // Copies length bytes starting at absolute position from of the old data,
  // moving the source position there first (with zero-length copies when the
  // jump is outside the 16-bit range).
  void Copy(int64_t from, size_t length);

  // Bytes that Copy would append, without appending them.
  static size_t CopyCost(int64_t offset, size_t length);
  // Bytes that Literal would append for a run of n bytes.
  static size_t LiteralCost(size_t n);

  int64_t SourcePosition() const { return src_; }

 private:
  void Put16(unsigned v);
  std::vector<unsigned char>& out_;
  int64_t src_ = 0;
};
