#include "transport/file.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

#include "foundation/fail.h"
#include "foundation/log.h"
#include "foundation/runtime.h"
#include "platform/filesystem.h"
#include "transport/compressed_file.h"

char ProgramDataDir[260];
unsigned char FileIO_Forbidden;
unsigned char LogFileLoads;
unsigned char CriticalHappened;
int (*ErrorHandling)(int code);
int File::PushedBackInt = -1;

namespace {
constexpr size_t kMaxNameLength = 2048;   // longer names are never opened
constexpr size_t kMaxCDPathLength = 260;  // the CD attempt is made only below this
constexpr int kOpenAttempts = 60;         // while the open answers EAGAIN
constexpr unsigned kOpenRetryMs = 1000;

unsigned PointerTag(const void* p) { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p)); }

// The language variant of name: LanguageString inserted as a directory just
// before the last path component.
std::string LocalizedName(const char* name) {
  std::string n = PlatNativePath(name);
  size_t slash = n.rfind(kPathSeparator);
  size_t at = slash == std::string::npos ? 0 : slash + 1;
  return n.substr(0, at) + LanguageString + kPathSeparator + n.substr(at);
}

// The probe for a language variant: a read-only open of the places the
// opening object itself would look in. A CD-only object looks only on the CD
// path; a no-CD object and a writer (writes never fall back to the CD path)
// only at the name itself. A variant that the object could not open is no
// variant, and the probe never creates or truncates a file.
class VariantProbe : public File {
 public:
  explicit VariantProbe(const char* modes) {
    bool writes = std::strchr(modes, 'w') || std::strchr(modes, 'a');
    if (modes[0] == 'C') mode_ = "Crb";
    else if (modes[0] == 'N' || writes) mode_ = "Nrb";
    else if (modes[0] == 'Z') mode_ = "Zrb";
    else mode_ = "rb";
  }
  const char* ModeString() override { return mode_; }

 private:
  const char* mode_;
};

void PutLE32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
uint32_t GetLE32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
// fopen, except that a directory is not a file: on this platform the
// stream library opens one for reading, and the first read then fails.
FILE* OpenStream(const std::string& path, const char* mode) {
  FILE* f = std::fopen(path.c_str(), mode);
  if (f && PlatIsDirectory(path)) {
    std::fclose(f);
    errno = EISDIR;
    return nullptr;
  }
  return f;
}

}  // namespace

ErrorHandlerReturn HandleFileReadError(const char* name, int code) {
  if (name) Log("filereaderr file %s code=%d", name, code);
  else Log("filereaderr %d", code);
  return ERROR_GIVE_UP;
}

File::File() = default;

File::File(const char* name) { Open(name, 1); }

File::File(const char* directory, const char* name) { OpenInDirectory(directory, name); }

File::~File() { Close(); }

void File::OpenInDirectory(const char* directory, const char* name) {
  std::string joined = std::string(directory) + "/" + name;
  for (char& c : joined)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  Open(joined.c_str(), 1);
}

const char* File::ModeString() { return "rb"; }

int File::Open(const char* name, unsigned char localize) {
  if (localize && LanguageTrack) {
    std::string localized = LocalizedName(name);
    bool exists;
    {
      VariantProbe probe(ModeString());
      probe.Open(localized.c_str(), 0);
      exists = probe.IsOpen();
    }
    return OpenUnlocalized(exists ? localized.c_str() : name);
  }
  return OpenUnlocalized(name);
}

int File::OpenUnlocalized(const char* name) {
  if (FileIO_Forbidden) {
    Log("Forbidden File I/O %s!", name);
    PlatBeep(7000, 300);
  }
  const char* cdPath = CurrentCDPath();

  errno = 0;
  Close();
  atEnd = 0;
  const char* modes = ModeString();
  DLog("attempting File open this=%x name=%s modes=%s\n", PointerTag(this), name, modes);
  if (LogFileLoads) Log("attempting File open this=%x name=%s modes=%s\n", PointerTag(this), name, modes);

  bool required = false, noCD = false, cdOnly = false, mustBeCompressed = false;
  const char* mode = modes;
  switch (modes[0]) {
    case 'M':
      required = true;
      ++mode;
      break;
    case 'N':
      noCD = true;
      ++mode;
      break;
    case 'C':
      cdOnly = true;
      ++mode;
      break;
    // The letter stays part of the mode text we test below, but the stream
    // library never sees it: no stdio accepts it.
    case 'Z':
      mustBeCompressed = true;
      ++mode;
      break;
    default: break;
  }
  // Write and append streams are never tested for the compressed format
  // (they cannot be read) and never fall back to the CD path.
  bool writeMode = std::strchr(mode, 'w') || std::strchr(mode, 'a');
  bool readMode = std::strchr(mode, 'r') != nullptr;

  size_t nameLength = std::strlen(name);
  if (!cdOnly && nameLength <= kMaxNameLength) {
    std::string path = PlatNativePath(name);
    for (int attempt = 1; attempt <= kOpenAttempts; ++attempt) {
      errno = 0;
      stream = OpenStream(path, mode);
      if (stream || errno != EAGAIN) break;
      Log("got EAGAIN on %s, sleeping", name);
      if (attempt < kOpenAttempts) PlatSleepMs(kOpenRetryMs);
    }
  }

  if (!stream) {
    std::string cdName = std::string(cdPath) + name;
    if (*cdPath && readMode && cdName.size() < kMaxCDPathLength && !noCD) {
      std::string path = PlatNativePath(cdName);
      for (;;) {
        errno = 0;
        stream = OpenStream(path, mode);
        if (stream) break;
        int err = errno;
        // A file that is simply not there is no error unless it is required.
        if (!required && (err == ENOENT || err == ENOTDIR || err == EISDIR || err == EAGAIN)) break;
        if (HandleFileReadError(cdName.c_str(), err) == ERROR_RETRY) continue;
        Log("Error opening file %s! Make sure the proper CD is in the drive.\n", cdName.c_str());
        Fail("Cannot access file %s. Error=%d. Please make sure the %s CD-ROM is in the drive.", cdName.c_str(), err,
             ApplicationName);
      }
    } else if (required) {
      Log("Cannot find required file %s! Make sure the proper CD is in the drive.\n", name);
      Fail("Cannot open file %s. Please make sure the %s CD-ROM is in the drive.", name, ApplicationName);
    }
  }

  if (stream && !writeMode) {
    if (CheckIfCompressed(stream)) {
      // The handle owns the stream from here on, also if its constructor
      // ends the program on a damaged header.
      FILE* s = stream;
      stream = nullptr;
      compressed = new CompressedFileHandle(s);
    } else if (mustBeCompressed) {
      std::fclose(stream);
      stream = nullptr;
      if (required) Fail("cannot find compressed file %s", name);
    }
  }
  return IsOpen() ? 1 : 0;
}

bool File::Close() {
  bool ok = true;
  if (stream) {
    DLog("close of file, this=%x\n", PointerTag(this));
    ok = std::fclose(stream) == 0;
    stream = nullptr;
  }
  if (compressed) {
    delete compressed;
    compressed = nullptr;
  }
  return ok;
}

unsigned File::Read(void* buffer, unsigned recordSize, unsigned recordCount) {
  if (recordSize == 0 || recordCount == 0) return 0;
  if (compressed) {
    unsigned long long wanted = static_cast<unsigned long long>(recordSize) * recordCount;
    unsigned char* out = static_cast<unsigned char*>(buffer);
    unsigned long long got = 0;
    while (got < wanted) {
      int chunk = wanted - got > (1u << 30) ? (1 << 30) : static_cast<int>(wanted - got);
      int n = compressed->Read(out + got, chunk);
      got += n;
      if (n < chunk) break;
    }
    return static_cast<unsigned>(got / recordSize);
  }
  if (!stream) return 0;
  size_t got = std::fread(buffer, recordSize, recordCount, stream);
  while (std::ferror(stream)) {
    if (HandleFileReadError(nullptr, errno) == ERROR_GIVE_UP)
      Fail("Cannot access file. Please make sure the %s CD-ROM is in the drive.", ApplicationName);
    std::clearerr(stream);
    got = std::fread(buffer, recordSize, recordCount, stream);
  }
  return static_cast<unsigned>(got);
}

unsigned File::MustRead(void* buffer, unsigned recordSize, unsigned recordCount) {
  unsigned got = Read(buffer, recordSize, recordCount);
  if (got < recordCount)
    Fail("Couldn't read %d %d byte records, only got %d. Make sure the proper CD is present.",
         static_cast<int>(recordCount), static_cast<int>(recordSize), static_cast<int>(got));
  return got;
}

int File::GetC() {
  if (compressed) return compressed->GetC();
  if (!stream) return -1;
  int c = std::getc(stream);
  while (c == EOF && std::ferror(stream)) {
    int err = errno;
    if (HandleFileReadError(nullptr, err) == ERROR_GIVE_UP) {
      Log("File read error %d. CD problem?", err);
      Fail("Cannot access file. Please make sure the %s CD-ROM is in the drive.", ApplicationName);
    }
    std::clearerr(stream);
    c = std::getc(stream);
  }
  return c == EOF ? -1 : c;
}

char* File::FGets(char* buffer, int n) {
  if (atEnd) return nullptr;
  if (n <= 0) return nullptr;  // no room even for the terminator
  int stored = 0;
  while (stored < n - 1) {
    int c = GetC();
    if (c == 13) continue;
    if (c == -1 || c == 0) {
      atEnd = 1;
      break;
    }
    buffer[stored++] = static_cast<char>(c);
    if (c == 10) break;
  }
  buffer[stored] = 0;
  return buffer;
}

int File::Seek(long long offset, int whence) {
  atEnd = 0;
  if (compressed) Fail("can't seek in compressed file");
  if (!stream) return -1;
  int result = PlatSeekStream(stream, offset, whence);
  while (std::ferror(stream)) {
    int err = errno;
    if (HandleFileReadError(nullptr, err) == ERROR_GIVE_UP) Fail("Error Seeking in file %d. Wrong CD in drive?", err);
    std::clearerr(stream);
    result = PlatSeekStream(stream, offset, whence);
  }
  return result;
}

long long File::FileLength() {
  if (compressed) return static_cast<long long>(compressed->TotalSize());
  if (!stream) return -1;
  const long long here = PlatTellStream(stream);
  PlatSeekStream(stream, 0, SEEK_END);
  const long long length = PlatTellStream(stream);
  PlatSeekStream(stream, here, SEEK_SET);
  return length;
}

unsigned File::Write(const void* buffer, unsigned recordSize, unsigned recordCount) {
  if (compressed) Fail("can't write to compressed file");
  if (!stream) return 0;
  // A retry goes on from the first record the failed attempt did not write:
  // writing the whole buffer again would put the records that did reach the
  // file there twice.
  const unsigned char* data = static_cast<const unsigned char*>(buffer);
  size_t written = 0;
  for (;;) {
    CriticalHappened = 0;
    written += std::fwrite(data + written * recordSize, recordSize, recordCount - written, stream);
    if (written < recordCount && std::ferror(stream) && errno == EIO) CriticalHappened = 1;
    if (!CriticalHappened) break;
    const int err = errno;
    if (!ErrorHandling) Fail("Critical error occurred during write!");
    if (!ErrorHandling(err)) Fail("Exit from error handling function requested!\n");
    std::clearerr(stream);
  }
  return static_cast<unsigned>(written);
}

int File::FReadInt() {
  if (PushedBackInt != -1) {
    int value = PushedBackInt;
    PushedBackInt = -1;
    return value;
  }
  unsigned char bytes[4];
  MustRead(bytes, 4, 1);
  return static_cast<int>(GetLE32(bytes));
}

unsigned long File::FReadULONG() {
  unsigned char bytes[4];
  MustRead(bytes, 4, 1);
  return GetLE32(bytes);
}

float File::FReadFloat() {
  unsigned char bytes[4];
  MustRead(bytes, 4, 1);
  uint32_t bits = GetLE32(bytes);
  float value;
  std::memcpy(&value, &bits, 4);
  return value;
}

void File::FWriteInt(int value) { FWriteULONG(static_cast<uint32_t>(value)); }

void File::FWriteULONG(unsigned long value) {
  unsigned char bytes[4];
  PutLE32(bytes, static_cast<uint32_t>(value));
  Write(bytes, 4, 1);
}

void File::FWriteFloat(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, 4);
  FWriteULONG(bits);
}
