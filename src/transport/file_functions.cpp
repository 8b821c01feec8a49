// The stdio-shaped forwarders over File.
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

int FSEEK(File* file, long offset, int whence) { return file->Seek(offset, whence); }

void FCLOSE(File* file) {
  if (!file) return;
  file->Close();
  delete file;
}
