// The settings store's text format on bytes: what is written reads back the
// same, and a damaged file keeps every entry that is still readable.
#include "platform/settings_format.h"

#include <gtest/gtest.h>

#include <string>

namespace {
SettingsValue Str(const std::string& name, const std::string& text) {
  SettingsValue v;
  v.name = name;
  v.type = kSettingsString;
  v.text = text;
  return v;
}

SettingsValue Dw(const std::string& name, uint32_t n) {
  SettingsValue v;
  v.name = name;
  v.type = kSettingsDword;
  v.dword = n;
  return v;
}

constexpr const char* kProduct = "HKEY_CURRENT_USER\\Software\\Quorvel Online";

TEST(SettingsFormat, EveryByteAndNumberReadsBackAsWritten) {
  SettingsTree tree;
  SettingsKey& k = tree.Create(kProduct);
  std::string allBytes;
  for (int c = 1; c < 256; ++c) allBytes += char(c);
  k.Set(Str("InstallationDirectory", "/home/ann/Quorvel Online/"));
  k.Set(Str("Quotes \"and\" \\slashes\\", "line\nbreak\r\ttab \"q\" \\"));
  k.Set(Str("AllBytes", allBytes));
  k.Set(Str("Empty", ""));
  k.Set(Dw("ProxyPort", 0xffffffffu));
  k.Set(Dw("Zero", 0));
  tree.Create("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorvel Online")
      .Set(Str("UninstallString", "/x/quorvel.exe -u"));
  tree.Create("HKEY_CURRENT_USER\\Software\\Empty Key");

  const std::string text = FormatSettingsText(tree);
  const SettingsParseResult back = ParseSettingsText(text);
  EXPECT_FALSE(back.damaged()) << text;
  EXPECT_TRUE(back.tree == tree) << text;
  EXPECT_EQ(FormatSettingsText(back.tree), text);
  // Every line is one entry: the escapes leave no raw line end or control byte.
  EXPECT_NE(text.find("\"ProxyPort\"=dword:ffffffff\n"), std::string::npos);
  EXPECT_NE(text.find("\"line\\nbreak\\r\\ttab \\\"q\\\" \\\\\""), std::string::npos);
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Empty Key]\n"), std::string::npos);
  for (char c : text) EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20 && c != 0x7f || c == '\t');
}

TEST(SettingsFormat, NamesCompareWithoutCaseAndKeepTheirFirstSpelling) {
  SettingsTree tree;
  tree.Create("HKEY_CURRENT_USER\\Software\\Quorvel Online").Set(Dw("UseProxy", 1));
  SettingsKey* k = tree.Find("hkey_current_user\\SOFTWARE\\quorvel online");
  ASSERT_NE(k, nullptr);
  k->Set(Dw("USEPROXY", 0));
  ASSERT_EQ(k->values.size(), 1u);
  EXPECT_EQ(k->values[0].name, "UseProxy");
  EXPECT_EQ(k->values[0].dword, 0u);
  EXPECT_EQ(k->path, "HKEY_CURRENT_USER\\Software\\Quorvel Online");
  // Parents exist with their children.
  EXPECT_TRUE(tree.Exists("HKEY_CURRENT_USER\\Software"));
  EXPECT_TRUE(k->Erase("useproxy"));
  EXPECT_FALSE(k->Erase("useproxy"));
}

TEST(SettingsFormat, DeletingAKeyTakesItsSubkeysAndNoSibling) {
  SettingsTree tree;
  tree.Create("HKEY_CURRENT_USER\\Software\\Quorvel Online\\Sub\\Deeper").Set(Dw("a", 1));
  tree.Create("HKEY_CURRENT_USER\\Software\\Quorvel Online-2").Set(Dw("b", 2));  // sorts between
  tree.Create("HKEY_CURRENT_USER\\Software\\Quorvel Online 3").Set(Dw("c", 3));
  tree.Create("HKEY_CURRENT_USER\\Software\\Quorvel OnlineX").Set(Dw("d", 4));
  EXPECT_TRUE(tree.EraseWithSubkeys("HKEY_CURRENT_USER\\Software\\QUORVEL ONLINE"));
  EXPECT_FALSE(tree.Exists("HKEY_CURRENT_USER\\Software\\Quorvel Online"));
  EXPECT_FALSE(tree.Exists("HKEY_CURRENT_USER\\Software\\Quorvel Online\\Sub"));
  EXPECT_FALSE(tree.Exists("HKEY_CURRENT_USER\\Software\\Quorvel Online\\Sub\\Deeper"));
  EXPECT_TRUE(tree.Exists("HKEY_CURRENT_USER\\Software\\Quorvel Online-2"));
  EXPECT_TRUE(tree.Exists("HKEY_CURRENT_USER\\Software\\Quorvel Online 3"));
  EXPECT_TRUE(tree.Exists("HKEY_CURRENT_USER\\Software\\Quorvel OnlineX"));
  EXPECT_FALSE(tree.EraseWithSubkeys("HKEY_CURRENT_USER\\Software\\Quorvel Online"));
}

TEST(SettingsFormat, KeyPathsAreCanonical) {
  EXPECT_EQ(CanonicalSettingsPath("HKCU\\Software\\\\Quorvel Online\\"), kProduct);
  EXPECT_EQ(CanonicalSettingsPath("hkey_local_machine\\Software"), "HKEY_LOCAL_MACHINE\\Software");
  EXPECT_EQ(CanonicalSettingsPath("HKLM"), "HKEY_LOCAL_MACHINE");
  EXPECT_EQ(CanonicalSettingsPath("HKEY_CLASSES_ROOT\\x"), "");
  EXPECT_EQ(CanonicalSettingsPath("Software\\Quorvel Online"), "");
  EXPECT_EQ(CanonicalSettingsPath("HKCU\\" + std::string(256, 'k')), "");
  EXPECT_EQ(CanonicalSettingsPath("HKCU\\" + std::string(255, 'k')), "HKEY_CURRENT_USER\\" + std::string(255, 'k'));
  EXPECT_EQ(CanonicalSettingsPath("HKCU\\line\nend"), "");
  EXPECT_EQ(JoinSettingsPath(kProduct, "a/b\\c"), std::string(kProduct) + "\\a/b\\c");
}

TEST(SettingsFormat, ADamagedFileKeepsEveryReadableEntry) {
  const std::string good1 = "\"Good1\"=\"kept\"\n";
  const std::string good2 = "\"Good2\"=dword:0000002a\n";
  struct Case {
    const char* what;
    std::string bad;
    size_t dropped;
  } cases[] = {
      {"binary garbage", std::string("\x00\x01\xff\xfe garbage\x02\n", 14), 1},
      {"a string cut off before its quote", "\"Cut\"=\"no end\n", 1},
      {"a dword cut short", "\"Cut\"=dword:0000\n", 1},
      {"an unknown escape", "\"Esc\"=\"a\\qb\"\n", 1},
      {"a bad hex escape", "\"Esc\"=\"a\\x4g\"\n", 1},
      {"text after the value", "\"Tail\"=\"a\" junk\n", 1},
      {"no equals sign", "\"NoEq\" \"a\"\n", 1},
      {"a line of megabytes", "\"Huge\"=\"" + std::string(3 << 20, 'a') + "\"\n", 1},
      {"a string over the limit", "\"Long\"=\"" + std::string(kSettingsMaxStringBytes + 1, 'a') + "\"\n", 1},
      {"a raw control byte", "\"Ctl\"=\"a\x01z\"\n", 1},
      {"an unknown value type", "\"Bin\"=hex:00,01\n", 1},
      {"a section with an unknown hive, and its value", "[HKEY_NOWHERE\\x]\n\"v\"=\"lost\"\n", 2},
      {"a section without its bracket, and its value", "[HKEY_CURRENT_USER\\x\n\"v\"=\"lost\"\n", 2},
  };
  for (const Case& c : cases) {
    const std::string text =
        std::string("[") + kProduct + "]\n" + good1 + c.bad + std::string("[") + kProduct + "]\n" + good2;
    const SettingsParseResult r = ParseSettingsText(text);
    EXPECT_EQ(r.droppedLines, c.dropped) << c.what;
    EXPECT_TRUE(r.damaged()) << c.what;
    const SettingsKey* k = r.tree.Find(kProduct);
    ASSERT_NE(k, nullptr) << c.what;
    ASSERT_NE(k->Find("Good1"), nullptr) << c.what;
    EXPECT_EQ(k->Find("Good1")->text, "kept");
    ASSERT_NE(k->Find("Good2"), nullptr) << c.what;
    EXPECT_EQ(k->Find("Good2")->dword, 42u);
    EXPECT_EQ(k->values.size(), 2u) << c.what;
  }
}

TEST(SettingsFormat, CommentsBlankLinesAndWindowsLineEndsAreNotDamage) {
  const std::string text = std::string("# a comment\r\n; another\n\n   \n[") + kProduct +
                           "]\r\n\"A\"=\"x\"\r\n\"B\"=dword:00000001";  // the last line has no line end
  const SettingsParseResult r = ParseSettingsText(text);
  EXPECT_FALSE(r.damaged());
  const SettingsKey* k = r.tree.Find(kProduct);
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(k->Find("A")->text, "x");
  EXPECT_EQ(k->Find("B")->dword, 1u);
}

TEST(SettingsFormat, ValuesBeforeAnySectionAreDropped) {
  const SettingsParseResult r = ParseSettingsText("\"Orphan\"=\"x\"\n[HKCU\\k]\n\"v\"=\"y\"\n");
  EXPECT_EQ(r.droppedLines, 1u);
  ASSERT_NE(r.tree.Find("HKEY_CURRENT_USER\\k"), nullptr);
  EXPECT_EQ(r.tree.Find("HKEY_CURRENT_USER\\k")->values.size(), 1u);
}

TEST(SettingsFormat, ACutFileDropsOnlyItsLastPartialLine) {
  const std::string text = std::string("[") + kProduct + "]\n\"A\"=\"x\"\n\"B\"=\"complete looking\"";
  const SettingsParseResult r = ParseSettingsText(text, true);
  EXPECT_TRUE(r.damaged());
  const SettingsKey* k = r.tree.Find(kProduct);
  ASSERT_NE(k, nullptr);
  EXPECT_NE(k->Find("A"), nullptr);
  EXPECT_EQ(k->Find("B"), nullptr);  // the bytes beyond the cut may have continued it
}
}  // namespace
