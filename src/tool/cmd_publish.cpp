// quorvel-tool publish GAMEDIR RELEASEDIR [--previous OLDRELEASE]... [--rules FILE] [--tos FILE]
//   [--no-launcher] [--launcher PATH] [--assets DIR] [--patch-threshold PCT] [--linux-only] [--json]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tool/release_publisher.h"
#include "tool/tool_command.h"
#include "tool/tool_json.h"
#include "tool/tool_paths.h"

namespace {

int Run(int argc, char** argv);
const ToolCommand kCommand = {
    "publish",
    "publish GAMEDIR RELEASEDIR [--previous OLDRELEASE]... [--rules FILE] [--tos FILE] [--no-launcher] "
    "[--launcher PATH] [--assets DIR] [--patch-threshold PCT] [--linux-only] [--json]",
    "build the tree a web server serves: lists, files, patches from the previous releases (newest first)", Run};
ToolCommandRegistration reg(kCommand);

void PrintSummary(const PublishSummary& s, bool json) {
  if (json) {
    std::printf(
        "{\"files\": %lld, \"bytes\": %lld, \"updated_files\": %lld, \"patches\": %lld, "
        "\"patch_bytes\": %lld, \"bytes_saved\": %lld, \"seconds\": %.3f, \"warnings\": [",
        s.files, s.bytes, s.updatedFiles, s.patches, s.patchBytes, s.bytesSaved, s.seconds);
    for (size_t i = 0; i < s.warnings.size(); ++i)
      std::printf("%s%s", i ? ", " : "", JsonString(s.warnings[i]).c_str());
    std::printf("]}\n");
    return;
  }
  for (const std::string& w : s.warnings) std::fprintf(stderr, "quorvel-tool: warning: %s\n", w.c_str());
  std::printf(
      "files %lld\nbytes %lld\nupdated files %lld\npatches %lld\npatch bytes %lld\nbytes saved %lld\n"
      "time %.3f s\n",
      s.files, s.bytes, s.updatedFiles, s.patches, s.patchBytes, s.bytesSaved, s.seconds);
}

int Run(int argc, char** argv) {
  if (WantsHelp(argc, argv)) return ToolHelp(kCommand);
  PublishOptions options;
  options.launcherPath = DefaultLauncherPath();
  options.assetsDir = DefaultAssetsDir();
  bool json = false;
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    std::string v;
    if (a == "--previous") {
      if (!value(&v)) return ToolError("--previous needs a release directory");
      options.previous.push_back(v);
    } else if (a == "--rules") {
      if (!value(&options.rulesFile)) return ToolError("--rules needs a file");
    } else if (a == "--tos") {
      if (!value(&options.tosFile)) return ToolError("--tos needs a file");
    } else if (a == "--launcher") {
      if (!value(&options.launcherPath)) return ToolError("--launcher needs a file");
    } else if (a == "--assets") {
      if (!value(&options.assetsDir)) return ToolError("--assets needs a directory");
    } else if (a == "--no-launcher") {
      options.withLauncher = false;
    } else if (a == "--linux-only") {
      options.linuxOnly = true;
    } else if (a == "--json") {
      json = true;
    } else if (a == "--patch-threshold") {
      if (!value(&v)) return ToolError("--patch-threshold needs a percentage");
      char* end = nullptr;
      const long pct = std::strtol(v.c_str(), &end, 10);
      if (v.empty() || (*end && std::strcmp(end, "%") != 0) || pct < 0 || pct > 100)
        return ToolError("--patch-threshold: not a percentage from 0 to 100: %s", v.c_str());
      options.patchThresholdPercent = int(pct);
    } else if (a.size() > 1 && a[0] == '-') {
      return ToolError("unknown option %s", a.c_str());
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() != 2) return ToolError("usage: quorvel-tool %s", kCommand.usage);
  options.gameDir = positional[0];
  options.releaseDir = positional[1];
  PublishSummary summary;
  std::string error;
  if (!PublishRelease(options, &summary, &error)) return ToolError("publish: %s", error.c_str());
  PrintSummary(summary, json);
  return 0;
}

}  // namespace
