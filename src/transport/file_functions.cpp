// The stdio-shaped forwarders over File, and whole-file helpers.
#include <cstring>

#include "transport/file.h"

File* FOPEN(const char* name, const char* mode) {
  File* file = std::strchr(mode, 'w') ? new OutputFile : new File;
  // A compressed file counts as opened: every operation but seeking and
  // writing handles it.
  if (!file->Open(name, 1)) {
    delete file;
    return nullptr;
  }
  return file;
}

size_t FREAD(void* buffer, size_t size, size_t count, File* file) {
  return file->Read(buffer, static_cast<unsigned>(size), static_cast<unsigned>(count));
}

size_t FWRITE(const void* buffer, size_t size, size_t count, File* file) {
  return file->Write(buffer, static_cast<unsigned>(size), static_cast<unsigned>(count));
}

char* FGETS(char* buffer, int n, File* file) { return file->FGets(buffer, n); }

int FSEEK(File* file, long long offset, int whence) { return file->Seek(offset, whence); }

void FCLOSE(File* file) {
  if (!file) return;
  file->Close();
  delete file;
}

bool ReadWholeFile(const char* name, std::vector<unsigned char>& contents) {
  File file(name);
  if (!file.IsOpen()) return false;
  contents.clear();
  const long long length = file.FileLength();
  if (length > 0) contents.reserve(static_cast<size_t>(length));
  unsigned char block[65536];
  for (;;) {
    unsigned got = file.Read(block, 1, sizeof block);
    contents.insert(contents.end(), block, block + got);
    if (got < sizeof block) break;
  }
  return true;
}

bool WriteWholeFile(const char* name, const void* data, size_t size) {
  OutputFile file;
  if (!file.Open(name, 0)) return false;
  const unsigned char* p = static_cast<const unsigned char*>(data);
  while (size) {
    unsigned chunk = size > (1u << 30) ? (1u << 30) : static_cast<unsigned>(size);
    if (file.Write(p, 1, chunk) != chunk) return false;
    p += chunk;
    size -= chunk;
  }
  // Buffered data meets a full disk only when it is flushed.
  return file.Close();
}
