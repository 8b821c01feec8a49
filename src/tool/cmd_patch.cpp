// quorvel-tool patch make OLD NEW PATCH | patch apply OLD PATCH OUT [--size N]
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tool/raw_file.h"
#include "tool/tool_command.h"
#include "update/patch_decoder.h"
#include "update/patch_encoder.h"

namespace {

int Run(int argc, char** argv);
const ToolCommand kCommand = {"patch", "patch make OLD NEW PATCH | patch apply OLD PATCH OUT [--size N]",
                              "make a binary patch, or apply one as the launcher does", Run};
ToolCommandRegistration reg(kCommand);

// Files the launcher patches are held whole in memory with int lengths.
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
  std::vector<unsigned char> oldData, patch;
  if (!ReadRawFile(oldName, oldData)) return ToolError("cannot read %s: %s", oldName, std::strerror(errno));
  if (!ReadRawFile(patchName, patch)) return ToolError("cannot read %s: %s", patchName, std::strerror(errno));
  if (oldData.size() > kMaxFile || patch.size() > kMaxFile)
    return ToolError("files of 2 GiB or more cannot be patched");
  unsigned long capacity;
  if (size >= 0) {
    capacity = static_cast<unsigned long>(size) + 1024;  // the launcher's slack
  } else {
    const long long needed = PatchResultLength(patch.data(), static_cast<int>(patch.size()));
    if (needed < 0) return ToolError("%s: patch is cut short", patchName);
    if (needed > static_cast<long long>(kMaxFile)) return ToolError("%s: result would be 2 GiB or more", patchName);
    capacity = static_cast<unsigned long>(needed);
  }
  std::vector<unsigned char> out(capacity ? capacity : 1);
  int outLength = 0;
  const auto t0 = std::chrono::steady_clock::now();
  const int ok = ApplyDiffs2(oldData.data(), patch.data(), static_cast<int>(oldData.size()),
                             static_cast<int>(patch.size()), outLength, out.data(), capacity);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  if (!ok)
    return ToolError("%s: bad patch (copies outside the old data, overflows the output or is cut short)", patchName);
  if (size >= 0 && outLength != size)
    return ToolError("%s: result is %d bytes, expected %lld", patchName, outLength, size);
  if (!WriteRawFile(outName, out.data(), static_cast<size_t>(outLength)))
    return ToolError("cannot write %s: %s", outName, std::strerror(errno));
  std::printf("%d bytes", outLength);
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
      if (errno || !*argv[6] || *end || size < 0 || size > static_cast<long long>(kMaxFile) - 1024)
        return ToolError("--size: not a size: %s", argv[6]);
    } else if (argc != 5) {
      return ToolError("usage: quorvel-tool %s", kCommand.usage);
    }
    return Apply(argv[2], argv[3], argv[4], size);
  }
  return ToolError("usage: quorvel-tool %s", kCommand.usage);
}

}  // namespace
