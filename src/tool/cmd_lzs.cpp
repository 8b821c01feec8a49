// quorvel-tool lzs encode|decode IN OUT: raw LZS streams, no header.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/filesystem.h"
#include "tool/tool_command.h"
#include "transport/lzs.h"

namespace {
int Run(int argc, char** argv);
const ToolCommand kCommand = {"lzs", "lzs encode|decode IN OUT", "encode or decode a raw LZS stream", Run};
static ToolCommandRegistration reg(kCommand);

// Both directions stream in pieces of this size, so memory stays a few MB
// whatever the length of the stream.
constexpr size_t kPiece = 1 << 20;

// Reads up to n bytes; false on a read error. A short count is the end.
bool ReadPiece(FILE* f, unsigned char* at, size_t n, size_t* got) {
  *got = std::fread(at, 1, n, f);
  return !std::ferror(f);
}

bool Write(FILE* f, const unsigned char* data, size_t n) { return n == 0 || std::fwrite(data, 1, n, f) == n; }

// Which side of a stream failed, if any.
enum class StreamError { kNone, kRead, kWrite };

StreamError Encode(FILE* in, FILE* out) {
  LZSStreamEncoder encoder;
  std::vector<unsigned char> piece(kPiece + kLZSMaxMatch), encoded(LZSStreamBound(piece.size()));
  size_t kept = 0;  // look-ahead the encoder handed back, at the start of piece
  for (bool last = false; !last;) {
    size_t got = 0;
    if (!ReadPiece(in, piece.data() + kept, kPiece, &got)) return StreamError::kRead;
    last = got < kPiece;
    const size_t offered = kept + got;
    size_t written = 0;
    const size_t taken = encoder.Encode(piece.data(), offered, last, encoded.data(), written);
    if (!Write(out, encoded.data(), written)) return StreamError::kWrite;
    kept = offered - taken;
    std::memmove(piece.data(), piece.data() + taken, kept);
  }
  return StreamError::kNone;
}

StreamError Decode(FILE* in, FILE* out) {
  LZSStreamDecoder decoder;
  std::vector<unsigned char> piece(kPiece), decoded(kPiece);
  for (bool last = false; !last;) {
    size_t got = 0;
    if (!ReadPiece(in, piece.data(), kPiece, &got)) return StreamError::kRead;
    last = got < kPiece;
    const unsigned char* at = piece.data();
    for (bool used = false; !used;) {
      unsigned char* end = decoded.data();
      used = decoder.Decode(at, piece.data() + got, end, decoded.data() + decoded.size());
      if (!Write(out, decoded.data(), static_cast<size_t>(end - decoded.data()))) return StreamError::kWrite;
    }
  }
  // A match cut off after its first byte ends the stream, as in every
  // decoder of the format.
  return StreamError::kNone;
}

int Run(int argc, char** argv) {
  if (WantsHelp(argc, argv)) return ToolHelp(kCommand);
  if (argc != 4 || (std::strcmp(argv[1], "encode") && std::strcmp(argv[1], "decode")))
    return ToolError("usage: quorvel-tool %s", kCommand.usage);
  // The input is a byte stream as it lies on disk, even one that happens to
  // be a compressed container; a directory is not a stream.
  FILE* in = PlatIsDirectory(argv[2]) ? nullptr : std::fopen(argv[2], "rb");
  if (!in) return ToolError("%s: cannot open", argv[2]);
  FILE* out = std::fopen(argv[3], "wb");
  if (!out) {
    std::fclose(in);
    return ToolError("%s: cannot write", argv[3]);
  }
  const StreamError e = std::strcmp(argv[1], "encode") ? Decode(in, out) : Encode(in, out);
  std::fclose(in);
  const bool closed = std::fclose(out) == 0;
  if (e == StreamError::kRead) return ToolError("%s: cannot read", argv[2]);
  if (e == StreamError::kWrite || !closed) return ToolError("%s: cannot write", argv[3]);
  return 0;
}
}  // namespace
