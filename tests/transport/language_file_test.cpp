#include "transport/language_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "foundation/language_catalogue.h"
#include "support/files.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {
class LanguageFile : public testing::Test {
 protected:
  void TearDown() override { FreeHashList(); }
  std::string Write(const char* name, const std::string& data) {
    std::string path = dir / name;
    WriteFileText(path, data);
    return path;
  }
  TempDir dir;
};
}  // namespace

TEST_F(LanguageFile, LoadsTheCatalogueThroughTheFileLayer) {
  std::string path = Write("FRENCH.CAT", "ENGLISH\r\nFRENCH\r\n\r\nCancel\r\nCancel\r\nAnnuler\r\n");
  ASSERT_EQ(OpenLanguageFile(path.c_str(), "FRENCH"), 1);
  EXPECT_STREQ(GetString("Cancel"), "Annuler");
}

TEST_F(LanguageFile, MissingFileOrLanguageLeavesEnglish) {
  std::string path = Write("FRENCH.CAT", "FRENCH\n\nCancel\nAnnuler\n");
  ASSERT_EQ(OpenLanguageFile(path.c_str(), "FRENCH"), 1);
  EXPECT_EQ(OpenLanguageFile((dir / "NONE.CAT").c_str(), "FRENCH"), 0);
  EXPECT_EQ(HashList, nullptr);
  EXPECT_STREQ(GetString("Cancel"), "Cancel");
  ASSERT_EQ(OpenLanguageFile(path.c_str(), "FRENCH"), 1);
  EXPECT_EQ(OpenLanguageFile(path.c_str(), "GERMAN"), 0);
  EXPECT_EQ(HashList, nullptr);
  std::string empty = Write("EMPTY.CAT", "");
  EXPECT_EQ(OpenLanguageFile(empty.c_str(), "FRENCH"), 0);
}

TEST_F(LanguageFile, ToolPrintsTheTranslationOnOneLine) {
  std::string path =
      Write("FRENCH.CAT", "ENGLISH\nFRENCH\n\nInstalling *\n-\nInstallation de %1\n\nCancel\n-\n\x01\x01" +
                              std::string("\xe9\x00t\x00\x00\x00", 6) + "\n");
  auto run = [](const std::string& file, const std::string& language, const std::string& text, int* status) {
    ProcessResult r = RunTool({"gettext", file, language, text}, "", {.errIntoOut = true});
    *status = r.exitCode;
    return r.out;
  };
  int status;
  EXPECT_EQ(run(path, "FRENCH", "Installing [a.txt]", &status), "Installation de a.txt\n");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(run(path, "FRENCH", "Cancel", &status), "\xc3\xa9t\n");
  EXPECT_EQ(run(path, "FRENCH", "Not there", &status), "Not there\n");
  std::string out = run(path, "GERMAN", "Cancel", &status);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(out.rfind("quorvel-tool: ", 0), 0u) << out;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1);
  run(dir / "missing.cat", "FRENCH", "Cancel", &status);
  EXPECT_EQ(status, 1);
}
