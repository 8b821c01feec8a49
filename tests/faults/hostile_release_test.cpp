// A hostile release (or a hostile server behind an honest one): names that
// climb out of the installation directory, symbolic links inside it that
// point out of it, a patch aimed through such a link, a list of a million
// lines, Terms of 50 MB. Nothing outside the installation directory may be
// written, deleted or followed, and the installation itself stays whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "faults/fault_rig.h"
#include "faults/fault_table.h"
#include "support/files.h"
#include "transport/md5.h"

namespace fs = std::filesystem;

namespace {

std::string Md5Of(const std::string& contents) {
  TempDir t;
  WriteFileText(t / "f", contents);
  unsigned char digest[16];
  if (!GetMD5((t / "f").c_str(), digest)) return std::string(32, '0');
  static const char* hex = "0123456789abcdef";
  std::string out;
  for (unsigned char b : digest) out += {hex[b >> 4], hex[b & 15]};
  return out;
}

// A copy of a published release in its own folder, with lines added to its
// master list and files added to the folder.
std::string HostileRelease(FaultRig& rig, const std::string& from, const std::string& name,
                           const std::string& extraLines, const std::map<std::string, std::string>& extraFiles = {}) {
  const std::string dir = rig.server().root() + "/hostile/" + name;
  std::error_code ec;
  fs::remove_all(dir, ec);
  fs::create_directories(dir);
  fs::copy(rig.server().release(from), dir, fs::copy_options::recursive, ec);
  std::string master = ReadFileText(dir + "/master.lst");
  if (!master.empty() && master.back() != '\n') master += '\n';
  WriteFileText(dir + "/master.lst", extraLines + master);
  for (const auto& [file, contents] : extraFiles) WriteFileText(dir + "/" + file, contents);
  return dir;
}

struct HostileRun {
  DriveResult drive;
  InstallCheck check;
  std::string describe;
};

// Installed first release, updated against dir; judged against release.
HostileRun UpdateAgainst(FaultRig& rig, const std::string& dir, const std::string& release, int timeoutMs = 60000) {
  HostileRun run;
  FaultReleasePeer server;
  const std::string e = server.Start(dir);
  if (!e.empty()) {
    run.describe = e;
    return run;
  }
  LauncherSession session(rig.x());
  if (!StartLauncher(rig, session, {"-a"}, rig.home() + "/../hostile.trace", LauncherServerEnv(server.base())))
    return run;
  run.drive = Drive(session, {}, timeoutMs);
  run.describe = session.Describe();
  run.check =
      CheckInstallation(rig.gameDir(release), rig.installDir(), {{"decks/starter.deck", FaultRig::PlayerDeck()}});
  return run;
}

void Record(const char* name, const HostileRun& run) {
  RecordFaultRun(name, run.drive.ok(), run.check.lost, run.check.leftovers);
  EXPECT_TRUE(run.drive.ok()) << run.describe;
  EXPECT_EQ(run.check.lost, 0) << run.check.Text() << "\n" << run.describe;
  EXPECT_EQ(run.check.leftovers, 0) << run.check.Text();
}

// The uninstallation with the lists the hostile update left behind.
HostileRun Uninstall(FaultRig& rig) {
  HostileRun run;
  std::string describe;
  run.drive = RunLauncher(rig, {"-u"}, rig.home() + "/../hostile-uninstall.trace", {}, {}, &run.describe);
  run.check = CheckUninstalled(rig.gameDir("v1"), rig.installDir(), {{"decks/starter.deck", FaultRig::PlayerDeck()}});
  return run;
}

}  // namespace

TEST(HostileRelease, NamesThatClimbOutOfTheInstallationAreRefused) {
  FaultRig& rig = FaultRig::Get();
  ASSERT_EQ(rig.error(), "");
  ASSERT_EQ(rig.RestoreInstalled(), "");
  const std::string evil = "written by a hostile list\n";
  const std::string d = Md5Of(evil), other = Md5Of("not the canary");
  const std::string abs = rig.outside() + "/evil3.txt";
  const std::string lines =
      "R " + d + " ../../../outside/evil1.txt\n" + "R " + d + " ../../../../home/outside/evil1.txt\n" + "R " + d +
      " ..\\..\\..\\outside\\evil2.txt\n" + "R " + d + " " + abs + "\n" + "R " + d + " c:/evil4.txt\n" + "R " + d +
      " C:\\outside\\evil5.txt\n" + "R " + d + " data/../../../../outside/evil6.txt\n" + "D " + other +
      " ../../../outside/canary.txt\n" + "U " + d + " ../../../outside/canary.txt\n" + "p " + d + " " +
      Md5Of("must stay\n") + " 26 patches/evil.pat ../../../outside/canary.txt\n";
  const std::string dir = HostileRelease(rig, "v1", "names", lines,
                                         {{"outside/evil1.txt", evil},
                                          {"outside/evil2.txt", evil},
                                          {"evil3.txt", evil},
                                          {"evil4.txt", evil},
                                          {"outside/evil5.txt", evil},
                                          {"outside/evil6.txt", evil},
                                          {"outside/canary.txt", evil},
                                          {"patches/evil.pat", std::string(1, char(26)) + evil}});
  HostileRun run = UpdateAgainst(rig, dir, "v1");
  Record("hostile: names with .., absolute, drive", run);
  // The installed master list now holds the hostile lines: the uninstallation
  // must not follow them either.
  HostileRun gone = Uninstall(rig);
  Record("hostile: names, then uninstall", gone);
}

TEST(HostileRelease, SymbolicLinksInsideTheInstallationAreNotFollowedOut) {
  FaultRig& rig = FaultRig::Get();
  ASSERT_EQ(rig.error(), "");
  ASSERT_EQ(rig.RestoreInstalled(), "");
  rig.PlantOutside("victim3.dat", "the victim of a link\n");
  fs::create_directory_symlink(rig.outside(), rig.installDir() + "linkdir");
  fs::remove(rig.installDir() + "data/file3.dat");
  fs::create_symlink(rig.outside() + "/victim3.dat", rig.installDir() + "data/file3.dat");
  const std::string evil = "written through a link\n";
  const std::string lines = "R " + Md5Of(evil) + " linkdir/evil7.txt\n" + "D " + Md5Of("other") +
                            " linkdir/canary.txt\n" + "U " + Md5Of(evil) + " linkdir/victim3.dat\n";
  const std::string dir =
      HostileRelease(rig, "v1", "links", lines, {{"linkdir/evil7.txt", evil}, {"linkdir/victim3.dat", evil}});
  HostileRun run = UpdateAgainst(rig, dir, "v1");
  EXPECT_FALSE(fs::is_symlink(rig.installDir() + "data/file3.dat")) << "the link is replaced, not written through";
  Record("hostile: symbolic links out of the installation", run);
  HostileRun gone = Uninstall(rig);
  Record("hostile: symbolic links, then uninstall", gone);
}

TEST(HostileRelease, APatchWhoseTargetIsASymbolicLinkDoesNotWriteThroughIt) {
  FaultRig& rig = FaultRig::Get();
  ASSERT_EQ(rig.error(), "");
  ASSERT_EQ(rig.RestoreInstalled(), "");
  // The link's target has the patch's source digest, so the patch applies.
  const std::string old = ReadFileText(rig.installDir() + "data/patched.dat");
  rig.PlantOutside("victim-patched.dat", old);
  fs::remove(rig.installDir() + "data/patched.dat");
  fs::create_symlink(rig.outside() + "/victim-patched.dat", rig.installDir() + "data/patched.dat");
  HostileRun run = UpdateAgainst(rig, rig.server().release("v2"), "v2");
  EXPECT_FALSE(fs::is_symlink(rig.installDir() + "data/patched.dat"));
  Record("hostile: patch target is a symbolic link", run);
}

TEST(HostileRelease, AListOfAMillionLines) {
  FaultRig& rig = FaultRig::Get();
  ASSERT_EQ(rig.error(), "");
  ASSERT_EQ(rig.RestoreInstalled(), "");
  std::string lines;
  const std::string digest = Md5Of("listed only");
  lines.reserve(1000000 * 60);
  char name[32];
  for (int i = 0; i < 1000000; ++i) {
    std::snprintf(name, sizeof name, "junk/f%07d\n", i);
    lines += "O " + digest + " " + name;
  }
  const std::string dir = HostileRelease(rig, "v1", "million", lines);
  HostileRun run = UpdateAgainst(rig, dir, "v1", 240000);
  Record("hostile: list of a million lines", run);
}

TEST(HostileRelease, TermsOfFiftyMegabytes) {
  FaultRig& rig = FaultRig::Get();
  ASSERT_EQ(rig.error(), "");
  ASSERT_EQ(rig.RestoreInstalled(), "");
  std::string terms;
  terms.reserve(50 << 20);
  while (terms.size() < (50u << 20)) terms += "These terms go on and on and on and on and on and on and on.\n";
  const std::string dir = HostileRelease(rig, "v1", "terms", "", {{"tos.txt", terms}});
  HostileRun run = UpdateAgainst(rig, dir, "v1", 120000);
  Record("hostile: tos.txt of 50 MB", run);
}
