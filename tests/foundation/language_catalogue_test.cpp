#include "foundation/language_catalogue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "foundation/mixed_string.h"
#include "support/fatal.h"

namespace {
std::string Lines(std::initializer_list<std::string> lines, const char* eol = "\n") {
  std::string s;
  for (const std::string& l : lines) s += l + eol;
  return s;
}

// A wide line as the file holds it: 01 01, the units, the wide terminator.
std::string WideLine(std::initializer_list<unsigned> units) {
  std::string s = "\x01\x01";
  for (unsigned u : units) {
    s.push_back(static_cast<char>(u & 0xFF));
    s.push_back(static_cast<char>(u >> 8));
  }
  return s + std::string(2, '\0');
}

std::vector<unsigned> Units(const char* text) {
  std::vector<unsigned> out;
  int wide = 0;
  while (unsigned c = NextMixedChar(text, wide)) out.push_back(c);
  return out;
}

int Load(const std::string& data, const char* language) {
  return LoadLanguageCatalogue(data.data(), data.size(), language);
}

class Catalogue : public testing::Test {
 protected:
  void TearDown() override { FreeHashList(); }
};

const std::string kFrench = Lines({"ENGLISH",
                                   "FRENCH",
                                   "",
                                   "Cancel",
                                   "Cancel",
                                   "Annuler",
                                   "",
                                   "Quit",
                                   "Quit",
                                   "",
                                   "",
                                   "; a comment where an entry begins",
                                   "Help",
                                   "",
                                   "Aide",
                                   "",
                                   "Installing *",
                                   "Installing %1",
                                   "Installation de %1",
                                   "",
                                   "Copy * to *",
                                   "Copy %1 to %2",
                                   "%2 <- %1",
                                   "",
                                   "Deleted *d files",
                                   "-",
                                   "%1 fichiers supprimes"});
}  // namespace

TEST_F(Catalogue, WithoutCatalogueTextsStayEnglish) {
  const char* plain = "Cancel";
  EXPECT_EQ(GetString(plain), plain);
  EXPECT_STREQ(GetString("Installing [readme.txt]"), "Installing readme.txt");
  EXPECT_STREQ(GetString("[a][b]c"), "abc");
  EXPECT_STREQ(GetString(nullptr), "");
}

TEST_F(Catalogue, SelectsTheTranslationLineOfTheLanguage) {
  ASSERT_EQ(Load(kFrench, "FRENCH"), 1);
  EXPECT_STREQ(GetString("Cancel"), "Annuler");
  // An empty line ends an entry: "Help" has no line for FRENCH, and "Aide"
  // begins an entry of its own.
  const char* help = "Help";
  EXPECT_EQ(GetString(help), help);
  const char* aide = "Aide";
  EXPECT_EQ(GetString(aide), aide);
  const char* quit = "Quit";
  EXPECT_EQ(GetString(quit), quit) << "an entry without its line stays English";
  EXPECT_STREQ(GetString("; a comment where an entry begins"), "; a comment where an entry begins");
  EXPECT_STREQ(GetString("cancel"), "cancel");

  ASSERT_EQ(Load(kFrench, "english"), 1);
  EXPECT_STREQ(GetString("Cancel"), "Cancel");
  EXPECT_EQ(GetString(help), help) << "an empty translation line adds nothing";
}

TEST_F(Catalogue, UnlistedLanguageFailsAndLeavesNoCatalogue) {
  ASSERT_EQ(Load(kFrench, "FRENCH"), 1);
  EXPECT_EQ(Load(kFrench, "GERMAN"), 0);
  EXPECT_EQ(HashList, nullptr);
  EXPECT_STREQ(GetString("Cancel"), "Cancel");
  EXPECT_EQ(Load("", "FRENCH"), 0);
  EXPECT_EQ(Load(Lines({"", "FRENCH", "x"}), "FRENCH"), 0) << "the header ends at the first empty line";
  EXPECT_EQ(Load(Lines({"FRENCH"}), "FRENCH"), 1);
  EXPECT_EQ(HashList, nullptr);
}

TEST_F(Catalogue, ParametersAreSubstitutedAndReordered) {
  ASSERT_EQ(Load(kFrench, "FRENCH"), 1);
  EXPECT_STREQ(GetString("Installing [readme.txt]"), "Installation de readme.txt");
  EXPECT_STREQ(GetString("Copy [a.txt] to [b.txt]"), "b.txt <- a.txt");
  // Typed wildcards accept only segments of their type.
  EXPECT_STREQ(GetString("Deleted [3\\d] files"), "3 fichiers supprimes");
  EXPECT_STREQ(GetString("Deleted [3] files"), "Deleted 3 files");
  EXPECT_STREQ(GetString("Deleted [3\\s] files"), "Deleted 3\\s files");
  // The text without brackets is no parameter.
  EXPECT_STREQ(GetString("Installing readme.txt"), "Installing readme.txt");
}

TEST_F(Catalogue, SegmentsAreCutAtTheirLimit) {
  AddTranslation("Name *", "Nom %1");
  std::string longName(300, 'n');
  std::string result = GetString(("Name [" + longName + "]").c_str());
  EXPECT_EQ(result, "Nom " + std::string(kMaxStringParamBytes - 1, 'n'));
}

TEST_F(Catalogue, BadParameterReferencesAreFatal) {
  AddTranslation("Bad *", "Mauvais %0");
  AddTranslation("Far *", "Loin %1 %2");
  EXPECT_FATAL(GetString("Bad [x]"), "Invalid delimiter in Mauvais %0 -> (%0)");
  EXPECT_FATAL(GetString("Far [x]"), "Delimiter out of range in Loin %1 %2 -> (%2)");
  // A "%" before a non-digit is text; one digit only is a reference.
  AddTranslation("Odd *", "100% %12");
  EXPECT_STREQ(GetString("Odd [x]"), "100% x2");
}

TEST_F(Catalogue, LaterEntriesWinAndHashMatchesSegmentsToWildcards) {
  AddTranslation("Open", "Ouvrir");
  AddTranslation("Open", "Ouvrez");
  EXPECT_STREQ(GetString("Open"), "Ouvrez");
  EXPECT_EQ(Hash("Installing [readme.txt]"), Hash("Installing *"));
  EXPECT_EQ(Hash("Deleted [3\\d] files"), Hash("Deleted *d files"));
  EXPECT_NE(Hash("ab"), Hash("ba"));
  // The width of a character does not change its hash.
  std::string wide = WideLine({'O', 'p', 'e', 'n'});
  EXPECT_EQ(Hash(wide.c_str()), Hash("Open"));
  EXPECT_STREQ(GetString(wide.c_str()), "Ouvrez");
  for (const char* t : {"", "x", "Installing *", "a[b"}) {
    int h = Hash(t);
    EXPECT_TRUE(h >= 0 && h < kHashBuckets);
  }
}

TEST_F(Catalogue, SixRotatingBuffers) {
  const char* first = GetString("[1]");
  EXPECT_STREQ(first, "1");
  const char* results[6];
  for (int i = 0; i < 6; ++i) results[i] = GetString(("[" + std::to_string(i + 2) + "]").c_str());
  EXPECT_STREQ(results[0], "2");
  EXPECT_EQ(first, results[5]);
  EXPECT_STREQ(first, "7");
}

TEST_F(Catalogue, LinesEndAtLineFeedsAndDropCarriageReturns) {
  ASSERT_EQ(Load(Lines({"ENGLISH", "FRENCH", "", "Cancel", "Cancel", "Annuler"}, "\r\n"), "FRENCH"), 1);
  EXPECT_STREQ(GetString("Cancel"), "Annuler");
  // No line feed at the end of the file.
  ASSERT_EQ(Load("FRENCH\n\nYes\nOui", "FRENCH"), 1);
  EXPECT_STREQ(GetString("Yes"), "Oui");
}

TEST_F(Catalogue, LongLinesAreCutNotOverflowed) {
  std::string longSource(600, 's');
  std::string longTranslation(2000, 't');
  ASSERT_EQ(Load(Lines({"FRENCH", "", longSource, longTranslation, "", "Next", "Suivant"}), "FRENCH"), 1);
  std::string cut(kMaxCatalogueLine, 's');
  EXPECT_EQ(std::string(GetString(cut.c_str())), std::string(kMaxCatalogueLine, 't'));
  EXPECT_STREQ(GetString(longSource.c_str()), longSource.c_str());
  EXPECT_STREQ(GetString("Next"), "Suivant") << "the rest of a long line is no new line";
}

TEST_F(Catalogue, WideLines) {
  // The units 0x4E0D and 0x4E0A hold the bytes of a carriage return and a
  // line feed; they stay whole.
  std::string data = "ENGLISH\n" + WideLine({'J', 'P'}) + "\n" + WideLine({}) + "\n" + "Cancel\n" + "Cancel\n" +
                     WideLine({0x4E0D, 0x4E0A, 'x'}) + "\n" + WideLine({}) + "\n" + "Quit\nQuit\n" + WideLine({}) +
                     "\n";
  ASSERT_EQ(Load(data, "JP"), 1);
  EXPECT_EQ(Units(GetString("Cancel")), (std::vector<unsigned>{0x4E0D, 0x4E0A, 'x'}));
  const char* quit = "Quit";
  EXPECT_EQ(GetString(quit), quit) << "an empty wide line is an empty translation";

  // A wide line ended by the wide line feed, and a wide source text.
  std::string wideLf = "JP\n\n" + WideLine({'O', 'K'}).substr(0, 6) + std::string("\x0A\x00", 2) + "D'accord\n";
  ASSERT_EQ(Load(wideLf, "JP"), 1);
  EXPECT_STREQ(GetString("OK"), "D'accord");
}

TEST_F(Catalogue, WideTranslationsTakeNarrowParameters) {
  std::string pattern = WideLine({0x5B89, '%', '1', 0x88C5});
  AddTranslation("Installing *", pattern.c_str());
  EXPECT_EQ(Units(GetString("Installing [ab]")), (std::vector<unsigned>{0x5B89, 'a', 'b', 0x88C5}));
  std::string wideText = WideLine({'[', 'x', ']', 'y'});
  EXPECT_EQ(Units(StripBracketsFromString(wideText.c_str())), (std::vector<unsigned>{'x', 'y'}));
}

TEST_F(Catalogue, BackwardsReversesRunsAndKeepsCodesInPlace) {
  struct Case {
    const char *source, *expected;
  } cases[] = {
      {"Install the game.", "llatsnI eht emag."},
      {"%d files", "%d selif"},
      {"%/2s of %/1s", "%/2s fo %/1s"},
      {"@Rred@W text", "@Rder@W txet"},
      {"Installing *d now", "gnillatsnI *d won"},
      {"(abc)[de]{fg}\\hi/jk", "(cba)[ed]{gf}\\ih/kj"},
      {"100%%", "001%%"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_STREQ(MakeBackwardsText(c.source), c.expected) << c.source;

  ASSERT_EQ(Load(kFrench, "backwards"), 1);
  EXPECT_STREQ(GetString("Cancel"), "lecnaC");
  EXPECT_STREQ(GetString("Help"), "pleH");
  EXPECT_STREQ(GetString("Aide"), "ediA");
  EXPECT_STREQ(GetString("Quit"), "tiuQ");
}
