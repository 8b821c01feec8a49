#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

#include "foundation/language_catalogue.h"
#include "transport/language_file.h"

namespace {
class LanguageFile : public testing::Test {
 protected:
  void SetUp() override {
    dir = testing::TempDir() + "langfile_" + std::to_string(getpid());
    std::string cmd = "mkdir -p '" + dir + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }
  void TearDown() override {
    FreeHashList();
    std::system(("rm -rf '" + dir + "'").c_str());
  }
  std::string Write(const char* name, const std::string& data) {
    std::string path = dir + "/" + name;
    std::ofstream(path, std::ios::binary) << data;
    return path;
  }
  std::string dir;
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
  EXPECT_EQ(OpenLanguageFile((dir + "/NONE.CAT").c_str(), "FRENCH"), 0);
  EXPECT_EQ(HashList, nullptr);
  EXPECT_STREQ(GetString("Cancel"), "Cancel");
  ASSERT_EQ(OpenLanguageFile(path.c_str(), "FRENCH"), 1);
  EXPECT_EQ(OpenLanguageFile(path.c_str(), "GERMAN"), 0);
  EXPECT_EQ(HashList, nullptr);
  std::string empty = Write("EMPTY.CAT", "");
  EXPECT_EQ(OpenLanguageFile(empty.c_str(), "FRENCH"), 0);
}

TEST_F(LanguageFile, ToolPrintsTheTranslationOnOneLine) {
  std::string path = Write("FRENCH.CAT", "ENGLISH\nFRENCH\n\nInstalling *\n-\nInstallation de %1\n\nCancel\n-\n\x01\x01" +
                                             std::string("\xe9\x00t\x00\x00\x00", 6) + "\n");
  auto run = [](const std::string& args, int* status) {
    std::string cmd = std::string(QUORVEL_TOOL) + " gettext " + args + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    char buf[256];
    while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    *status = WEXITSTATUS(pclose(p));
    return out;
  };
  int status;
  EXPECT_EQ(run("'" + path + "' FRENCH 'Installing [a.txt]'", &status), "Installation de a.txt\n");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(run("'" + path + "' FRENCH Cancel", &status), "\xc3\xa9t\n");
  EXPECT_EQ(run("'" + path + "' FRENCH 'Not there'", &status), "Not there\n");
  std::string out = run("'" + path + "' GERMAN Cancel", &status);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(out.rfind("quorvel-tool: ", 0), 0u) << out;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1);
  run("'" + dir + "/missing.cat' FRENCH Cancel", &status);
  EXPECT_EQ(status, 1);
}
