// quorvel-tool patch make OLD NEW PATCH | patch apply OLD PATCH OUT [--size N]
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/mapped_file.h"
#include "tool/raw_file.h"
#include "tool/tool_command.h"
#include "update/file_list_entry.h"
#include "update/patch_decoder.h"
#include "update/patch_encoder.h"

namespace {

int Run(int argc, char** argv);
const ToolCommand kCommand = {"patch", "patch make OLD NEW PATCH | patch apply OLD PATCH OUT [--size N]",
                              "make a binary patch, or apply one as the launcher does", Run};
ToolCommandRegistration reg(kCommand);

// The encoder holds both files in memory: it takes files below 2 GiB.
constexpr size_t kMaxFile = 0x7fffffff;

int Make(const char* oldName, const char* newName, const char* patchName) {
  std::vector<unsigned char> oldData, newData;
  if (!ReadRawFile(oldName, oldData)) return ToolError("cannot read %s: %s", oldName, std::strerror(errno));
  if (!ReadRawFile(newName, newData)) return ToolError("cannot read %s: %s", newName, std::strerror(errno));
  if (oldData.size() > kMaxFile || newData.size() > kMaxFile)
    return ToolError("files of 2 GiB or more cannot be patched");
  const std::vector<unsigned char> patch = MakePatch(oldData.data(), oldData.size(), newData.data(), newData.size());
  if (!WriteRawFile(patchName, patch.data(), patch.size()))
    return ToolError("cannot write %s: %s", patchName, std::strerror(errno));
  std::printf("%zu bytes\n", patch.size());
  return 0;
}

int Apply(const char* oldName, const char* patchName, const char* outName, long long size) {
  // Mapped as the launcher maps them: files of any size, none of them in
  // heap memory.
  PlatMappedFile oldData, patch;
  if (!oldData.Open(oldName)) return ToolError("cannot read %s: %s", oldName, std::strerror(errno));
  if (!patch.Open(patchName)) return ToolError("cannot read %s: %s", patchName, std::strerror(errno));
  unsigned long long capacity;
  if (size >= 0) {
    capacity = static_cast<unsigned long long>(size) + 1024;  // the launcher's slack
  } else {
    const long long needed = PatchResultLength(patch.data(), static_cast<long long>(patch.size()));
    if (needed < 0) return ToolError("%s: patch is cut short", patchName);
    capacity = static_cast<unsigned long long>(needed);
  }
  if (capacity > SIZE_MAX) return ToolError("%s: result too large for this system", patchName);
  PlatMappedOutput out;
  if (!out.Create(outName, static_cast<size_t>(capacity)))
    return ToolError("cannot write %s: %s", outName, std::strerror(errno));
  long long outLength = 0;
  const auto t0 = std::chrono::steady_clock::now();
  const int ok = ApplyDiffs2(oldData.data(), patch.data(), static_cast<long long>(oldData.size()),
                             static_cast<long long>(patch.size()), outLength, out.data(), capacity);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  const bool good = ok && (size < 0 || outLength == size);
  if (!out.Finish(good ? static_cast<size_t>(outLength) : 0) && good)
    return ToolError("cannot write %s: %s", outName, std::strerror(errno));
  if (!good) std::remove(outName);
  if (!ok)
    return ToolError("%s: bad patch (copies outside the old data, overflows the output or is cut short)", patchName);
  if (!good) return ToolError("%s: result is %lld bytes, expected %lld", patchName, outLength, size);
  std::printf("%lld bytes", outLength);
  if (seconds > 0) std::printf(", decoded at %.0f MB/s", outLength / seconds / 1e6);
  std::printf("\n");
  return 0;
}

int Run(int argc, char** argv) {
  if (WantsHelp(argc, argv)) return ToolHelp(kCommand);
  if (argc == 5 && !std::strcmp(argv[1], "make")) return Make(argv[2], argv[3], argv[4]);
  if (argc >= 5 && !std::strcmp(argv[1], "apply")) {
    long long size = -1;
    if (argc == 7 && !std::strcmp(argv[5], "--size")) {
      char* end = nullptr;
      errno = 0;
      size = std::strtoll(argv[6], &end, 10);
      if (errno || !*argv[6] || *end || size < 0 || size > kMaxPatchResultSize)
        return ToolError("--size: not a size: %s", argv[6]);
    } else if (argc != 5) {
      return ToolError("usage: quorvel-tool %s", kCommand.usage);
    }
    return Apply(argv[2], argv[3], argv[4], size);
  }
  return ToolError("usage: quorvel-tool %s", kCommand.usage);
}

}  // namespace
