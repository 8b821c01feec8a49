#include "support/journey.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "support/process.h"
#include "transport/md5.h"

std::string FileMd5Hex(const std::string& path) {
  unsigned char digest[kMD5Size];
  if (!GetMD5(path.c_str(), digest)) return "(unreadable)";
  char hex[2 * kMD5Size + 1];
  MD5ToHex(digest, hex);
  return hex;
}

std::string InstallFromPackage(const Xvfb& x, const std::string& packageDir, const std::vector<std::string>& env,
                               const std::string& traceFile) {
  LauncherSession session(x);
  if (!session.Start(packageDir + "/quorvel.exe", {}, packageDir, env, traceFile)) return "the launcher did not start";
  auto failed = [&session](const std::string& step) { return step + "\n" + session.Describe(); };
  // Clicks before the first present may reach a window not yet mapped.
  if (session.WaitFor("present", 60000).raw.empty()) return failed("no window");
  if (!session.Click("Install", 60000)) return failed("no Install button");
  if (!session.Click("I Agree", 60000)) return failed("no Terms screen");
  if (session.WaitFor("screen InstallWindow enabled", 60000).raw.empty()) return failed("no install screen");
  if (!session.Click("Next", 60000)) return failed("no Next button");
  // The question comes only when the directory is not there yet.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  for (;;) {
    if (session.Seen("state 9 StateBeginInstall")) break;
    if (session.Seen("Directory does not exist")) {
      if (!session.Click("Yes", 60000)) return failed("no Yes on the directory question");
      break;
    }
    if (!session.Running() || std::chrono::steady_clock::now() > deadline)
      return failed("the installation did not begin");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (session.WaitFor("state 11 StateLaunch", 120000).raw.empty()) return failed("the installation did not finish");
  if (session.WaitFor(" launch ", 60000).raw.empty()) return failed("the game was not launched");
  const ProcessResult end = session.Wait(60000);
  if (end.timedOut) return failed("the launcher did not end after the launch");
  if (end.exitCode != 0) return failed("the launcher ended with status " + std::to_string(end.exitCode));
  return "";
}

std::string SettingsValue(const std::vector<std::string>& env, const std::string& key, const std::string& name,
                          bool* found) {
  const ProcessResult r = RunTool({"settings", "get", key, name}, "", {}, env);
  if (found) *found = r.exitCode == 0;
  if (r.exitCode != 0) return "";
  std::string value = r.out;
  if (!value.empty() && value.back() == '\n') value.pop_back();
  return value;
}

std::vector<std::string> RequestsContaining(const std::vector<std::string>& log, const std::string& text) {
  std::vector<std::string> out;
  for (const std::string& line : log)
    if (line.find(text) != std::string::npos) out.push_back(line);
  return out;
}

UpdateRun LaunchInstalled(const Xvfb& x, ServedRelease& server, const std::string& dir,
                          const std::vector<std::string>& env, const std::string& traceFile, bool scanAll) {
  UpdateRun run;
  const size_t before = server.server().AccessLog().size();
  LauncherSession session(x);
  auto fail = [&](const std::string& why) {
    run.failure = why + "\n" + session.Describe();
    return run;
  };
  if (!session.Start(dir + "quorvel.exe", {}, dir, env, traceFile)) return fail("no start");
  if (session.WaitFor("present", 60000).raw.empty()) return fail("no window");
  if (scanAll && !session.Click("Scan All Files", 60000)) return fail("no Scan All Files box");
  if (!session.Click("Launch", 60000)) return fail("no Launch button");
  if (!session.Click("I Agree", 60000)) return fail("no Terms");
  if (session.WaitFor("state 11 StateLaunch", 120000).raw.empty()) return fail("the update did not finish");
  if (session.WaitFor(" launch ", 60000).raw.empty()) return fail("the game was not launched");
  const ProcessResult end = session.Wait(60000);
  if (end.timedOut) return fail("the launcher did not end");
  if (end.exitCode != 0) return fail("the launcher ended with status " + std::to_string(end.exitCode));
  run.trace = session.Lines();
  const std::vector<std::string> all = server.server().AccessLog();
  run.requests.assign(all.begin() + std::min(before, all.size()), all.end());
  return run;
}

std::vector<std::string> Reports(const std::vector<TraceLine>& trace) {
  std::vector<std::string> out;
  for (const TraceLine& l : trace)
    if (l.word == "report" && !l.fields.empty()) out.push_back(l.fields[0] + " " + l.fields[1]);
  return out;
}
