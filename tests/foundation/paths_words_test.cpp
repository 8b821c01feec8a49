#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <string>

#include "foundation/paths.h"
#include "foundation/words.h"

TEST(Paths, BaseNameTakesThePartAfterTheLaterSeparator) {
  struct Case {
    const char *path, *base;
  } cases[] = {
      {"a/b/c.txt", "c.txt"},
      {"a\\b\\c.txt", "c.txt"},
      {"a\\b/c", "c"},
      {"a/b\\c", "c"},
      {"plain", "plain"},
      {"dir/", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_STREQ(BaseName(c.path), c.base) << c.path;
}

TEST(Paths, AddPathReplacesTheFileName) {
  char p[64] = "zindimgs/back.tga";
  AddPath(p, "front.tga");
  EXPECT_STREQ(p, "zindimgs/front.tga");
  char q[64] = "name";
  AddPath(q, "other");
  EXPECT_STREQ(q, "other");
  char r[64] = "c:\\game\\quorvel.exe";
  AddPath(r, "quorvel1.exe");
  EXPECT_STREQ(r, "c:\\game\\quorvel1.exe");
}

TEST(Paths, MakePathNameRelative) {
  char a[] = "c:\\game\\data\\zindimgs\\back.tga";
  EXPECT_STREQ(MakePathNameRelative(a), "zindimgs/back.tga");
  EXPECT_STREQ(a, "c:/game/data/zindimgs/back.tga");
  std::string own = std::string(QUORVEL_SOURCE_DIR) + "/src/foundation/paths.cpp";
  std::vector<char> b(own.begin(), own.end());
  b.push_back(0);
  EXPECT_STREQ(MakePathNameRelative(b.data()), "foundation/paths.cpp");
  char c[] = "/elsewhere/x.cpp";
  EXPECT_STREQ(MakePathNameRelative(c), "/elsewhere/x.cpp");
}

TEST(Words, WhichWord) {
  struct Case {
    const char *list, *word;
    int index;
  } cases[] = {
      {"TEXTURE/SCROLL/ADDMODE/", "SCROLL", 1},
      {"TEXTURE/SCROLL/ADDMODE/", "SCROLL;", 1},
      {"TEXTURE/SCROLL/ADDMODE/", " SCROLL 3", 1},
      {"TEXTURE/SCROLL/ADDMODE/", "TEXTURE", 0},
      {"TEXTURE/SCROLL/ADDMODE/", "ADDMODE", 2},
      {"TEXTURE/SCROLL", "SCROLL", -1},
      {"TEXTURE/SCROLL/ADDMODE/", "SCROL", -1},
      {"TEXTURE/SCROLL/ADDMODE/", "SCROLLS", -1},
      {"TEXTURE/SCROLL/ADDMODE/", "scroll", -1},
      {"A//B/", "", 1},
      {"", "A", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(WhichWord(c.list, c.word), c.index) << c.list << " / '" << c.word << "'";
}

TEST(Words, PatternMatchString) {
  struct Case {
    const char *text, *expr;
    int match;
  } cases[] = {
      {"red apple", "apple&~pear", 1},
      {"red apple", "pear|plum", 0},
      {"red apple", "pear|apple", 1},
      {"red apple", " apple ", 1},
      {"red apple", "~apple", 0},
      {"red apple", "red & apple", 1},
      // "&" splits before "|": red & (pear|apple), then (pear|plum) & red.
      {"red apple", "red&pear|apple", 1},
      {"red apple", "pear|plum&red", 0},
      {"red apple", "~pear&~plum", 1},
      {"red apple", "", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(PatternMatchString(c.text, c.expr), c.match) << c.expr;
}

TEST(Words, ParseTimeString) {
  struct tm t = {};
  t.tm_year = 2021 - 1900;
  t.tm_mon = 2;
  t.tm_mday = 4;
  t.tm_hour = 14;
  t.tm_min = 30;
  t.tm_isdst = -1;
  time_t expected = mktime(&t);
  EXPECT_EQ(ParseTimeString("<2:30pm 3/4/21>"), expected);
  EXPECT_EQ(ParseTimeString("<14:30 3/4/2021>"), expected);
  EXPECT_EQ(ParseTimeString("<2:30PM 3/4/2021>"), expected);

  time_t now = time(nullptr);
  struct tm today;
  localtime_r(&now, &today);
  today.tm_hour = 9;
  today.tm_min = 5;
  today.tm_sec = 0;
  today.tm_isdst = -1;
  time_t nine = mktime(&today);
  EXPECT_EQ(ParseTimeString("<9:05>"), nine);
  EXPECT_EQ(ParseTimeString("<9:05am>"), nine);
  EXPECT_EQ(ParseTimeString("<9:05pm>"), nine + 12 * 3600);
  today.tm_hour = 12;
  today.tm_min = 0;
  EXPECT_EQ(ParseTimeString("<12:00pm>"), mktime(&today));  // noon stays noon
  EXPECT_EQ(ParseTimeString("9:05"), -1);
  EXPECT_EQ(ParseTimeString("<25:00>"), -1);
  EXPECT_EQ(ParseTimeString("<9:05 13/1/21>"), -1);
}
