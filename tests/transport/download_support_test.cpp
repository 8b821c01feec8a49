#include "transport/download_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "foundation/alloc.h"
#include "support/temp_dir.h"
#include "transport/base64.h"

TEST(DownloadSupport, Base64PadsAsTheStandardRequires) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {{"", ""},
               {"f", "Zg=="},
               {"fo", "Zm8="},
               {"foo", "Zm9v"},
               {"foob", "Zm9vYg=="},
               {"user:pass", "dXNlcjpwYXNz"},
               {"\xff\xfe", "//4="}};
  for (const Case& c : cases) {
    char* s = ToBase64(c.in);
    EXPECT_STREQ(s, c.out) << c.in;
    GRTFree(s);
  }
}

TEST(DownloadSupport, ErrnoTexts) {
  EXPECT_STREQ(InterpretErrNo(0), "No error");
  // The texts follow the meaning of the host's error numbers.
  EXPECT_STREQ(InterpretErrNo(ENOENT), "No such file or directory");
  EXPECT_STREQ(InterpretErrNo(E2BIG), "Arg list too big");
  EXPECT_STREQ(InterpretErrNo(EPERM), "Not owner");
  EXPECT_STREQ(InterpretErrNo(ENOSPC), "No space left on device");
  EXPECT_STREQ(InterpretErrNo(EINTR), "interrupt");
  EXPECT_STREQ(InterpretErrNo(EILSEQ), "Multibyte/wide character encoding error");
  EXPECT_STREQ(InterpretErrNo(ECONNRESET), "Unknown error");
  EXPECT_STREQ(InterpretErrNo(99999), "Unknown error");
  EXPECT_STREQ(InterpretErrNo(-1), "Unknown error");
}

TEST(DownloadSupport, MakeDirLevelsCreatesDirectoriesButNotTheFileName) {
  TempDir dir;
  const std::string& root = dir.path();
  MakeDirLevels((root + "/a/b\\c/file.txt").c_str());
  struct stat st;
  EXPECT_EQ(stat((root + "/a/b/c").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_NE(stat((root + "/a/b/c/file.txt").c_str(), &st), 0);
  MakeDirLevels((root + "/d//e/").c_str());
  EXPECT_EQ(stat((root + "/d/e").c_str(), &st), 0);
}

TEST(DownloadSupport, StrDupCopies) {
  const char text[] = "abc";
  char* copy = StrDup(text, "test");
  EXPECT_STREQ(copy, "abc");
  EXPECT_NE(copy, text);
  GRTFree(copy);
  EXPECT_EQ(StrDup(nullptr, "test"), nullptr);
}
