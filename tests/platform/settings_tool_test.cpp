// quorvel-tool settings against the same store the program reads.
#include <gtest/gtest.h>

#include <string>

#include "platform/settings_store.h"
#include "support/process.h"

namespace {
class SettingsTool : public testing::Test {
 protected:
  ProcessResult Tool(std::vector<std::string> args) {
    args.insert(args.begin(), {QUORVEL_TOOL, "settings"});
    return RunProcess(args, {"QUORVEL_REGISTRY=" + file_, "XDG_DATA_HOME=/srv/data"});
  }
  TempDir dir_;
  std::string file_ = dir_ / "store.txt";
};

constexpr const char* kKey = "HKEY_CURRENT_USER\\Software\\Quorvel Online";

TEST_F(SettingsTool, SetGetListAndDelete) {
  EXPECT_EQ(Tool({"set", kKey, "ProxyAddress", "proxy \"one\"\nline two"}).exitCode, 0);
  EXPECT_EQ(Tool({"set", kKey, "ProxyPort", "-1", "--dword"}).exitCode, 0);
  EXPECT_EQ(Tool({"set", "HKCU\\Software\\Quorvel Online\\Sub", "UseProxy", "0x10", "--dword"}).exitCode, 0);

  ProcessResult r = Tool({"get", "hkcu\\software\\quorvel online", "proxyport"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "-1\n");
  r = Tool({"get", kKey, "ProxyAddress"});
  EXPECT_EQ(r.out, "proxy \"one\"\nline two\n");
  r = Tool({"list"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out,
            "[HKEY_CURRENT_USER\\Software\\Quorvel Online]\n"
            "\"ProxyAddress\"=\"proxy \\\"one\\\"\\nline two\"\n"
            "\"ProxyPort\"=dword:ffffffff\n"
            "\n[HKEY_CURRENT_USER\\Software\\Quorvel Online\\Sub]\n"
            "\"UseProxy\"=dword:00000010\n");
  // What the tool wrote is what the program reads.
  EXPECT_TRUE(ParseSettingsText(ReadFileText(file_)).tree.Find(kKey) != nullptr);
  // The well-known folders are answered as the program sees them.
  r = Tool({"get", "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir"});
  EXPECT_EQ(r.out, "/srv/data\n");

  r = Tool({"get", kKey, "Missing"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("not found"), std::string::npos);
  EXPECT_EQ(Tool({"delete", kKey, "ProxyPort"}).exitCode, 0);
  EXPECT_EQ(Tool({"get", kKey, "ProxyPort"}).exitCode, 1);
  EXPECT_EQ(Tool({"delete", kKey}).exitCode, 0);
  EXPECT_EQ(Tool({"list"}).out, "[HKEY_CURRENT_USER\\Software]\n");  // the parent stays, as in the registry
  EXPECT_EQ(Tool({"delete", kKey}).exitCode, 1);
}

TEST_F(SettingsTool, BadArgumentsAreRefusedWithoutTouchingTheStore) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"set", "Software\\Quorvel Online", "a", "b"},
                                             {"set", "HKEY_CURRENT_USER", "a", "b"},
                                             {"set", kKey, "a", "12x", "--dword"},
                                             {"set", kKey, "a", "4294967296", "--dword"},
                                             {"set", kKey, "a", "-2147483649", "--dword"},
                                             {"get", kKey},
                                             {"frobnicate"},
                                             {}}) {
    ProcessResult r = Tool(args);
    EXPECT_EQ(r.exitCode, 1) << (args.empty() ? "" : args[0]);
    EXPECT_FALSE(r.err.empty());
  }
  EXPECT_EQ(ReadFileText(file_), "");
}
}  // namespace
