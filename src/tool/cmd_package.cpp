// quorvel-tool package RELEASEDIR PACKAGEDIR [--launcher PATH] [--assets DIR] [--tar FILE.tar.gz]
#include <cstdio>
#include <string>
#include <vector>

#include "tool/package_builder.h"
#include "tool/tool_command.h"
#include "tool/tool_paths.h"

namespace {

int Run(int argc, char** argv);
const ToolCommand kCommand = {"package",
                              "package RELEASEDIR PACKAGEDIR [--launcher PATH] [--assets DIR] [--tar FILE.tar.gz]",
                              "build an installation package (files.ins, the files, the launcher, its skin)", Run};
ToolCommandRegistration reg(kCommand);

int Run(int argc, char** argv) {
  if (WantsHelp(argc, argv)) return ToolHelp(kCommand);
  PackageOptions options;
  options.defaultLauncherPath = DefaultLauncherPath();
  options.assetsDir = DefaultAssetsDir();
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    if (a == "--launcher") {
      if (!value(&options.launcherPath)) return ToolError("--launcher needs a file");
    } else if (a == "--assets") {
      if (!value(&options.assetsDir)) return ToolError("--assets needs a directory");
    } else if (a == "--tar") {
      if (!value(&options.tarFile)) return ToolError("--tar needs a file name");
    } else if (a.size() > 1 && a[0] == '-') {
      return ToolError("unknown option %s", a.c_str());
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() != 2) return ToolError("usage: quorvel-tool %s", kCommand.usage);
  options.releaseDir = positional[0];
  options.packageDir = positional[1];
  PackageSummary summary;
  std::string error;
  if (!BuildPackage(options, &summary, &error)) return ToolError("package: %s", error.c_str());
  std::printf("files %lld\nbytes %lld\n", summary.files, summary.bytes);
  if (!options.tarFile.empty()) std::printf("archive %s\n", options.tarFile.c_str());
  return 0;
}

}  // namespace
