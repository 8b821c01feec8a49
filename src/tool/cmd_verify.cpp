// quorvel-tool verify RELEASEDIR | --url BASEURL [--previous OLDRELEASE]... [--linux-only]
#include <cstdio>
#include <string>

#include "tool/release_verifier.h"
#include "tool/tool_command.h"

namespace {

int Run(int argc, char** argv);
const ToolCommand kCommand = {"verify", "verify RELEASEDIR | --url BASEURL [--previous OLDRELEASE]... [--linux-only]",
                              "check a release on disk or on its server; one line per problem", Run};
ToolCommandRegistration reg(kCommand);

int Run(int argc, char** argv) {
  if (WantsHelp(argc, argv)) return ToolHelp(kCommand);
  VerifyOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--url" || a == "--previous") {
      if (i + 1 >= argc) return ToolError("%s needs a value", a.c_str());
      if (a == "--url") options.baseUrl = argv[++i];
      else options.previous.push_back(argv[++i]);
    } else if (a == "--linux-only") {
      options.linuxOnly = true;
    } else if (a.size() > 1 && a[0] == '-') {
      return ToolError("unknown option %s", a.c_str());
    } else if (options.releaseDir.empty()) {
      options.releaseDir = a;
    } else {
      return ToolError("usage: quorvel-tool %s", kCommand.usage);
    }
  }
  if (options.releaseDir.empty() == options.baseUrl.empty()) return ToolError("usage: quorvel-tool %s", kCommand.usage);
  VerifyReport report;
  VerifyRelease(options, &report);
  for (const std::string& p : report.problems) std::printf("%s\n", p.c_str());
  if (!report.problems.empty()) return 1;
  std::printf("ok: %lld files, %lld patches (%lld applied to earlier versions)\n", report.files, report.patches,
              report.patchesApplied);
  return 0;
}

}  // namespace
