#include "foundation/mixed_string.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/fatal.h"

namespace {
// Builds a byte string; the trailing zero bytes needed by the mode are part of
// the list. Four more zero bytes follow in storage.
std::string B(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s + std::string(4, '\0');
}
// A string that is wide from its start: 01 01, the units, 00 00.
std::string Wide(const char* text) {
  std::string s = "\x01\x01";
  for (const char* p = text; *p; ++p) {
    s.push_back(*p);
    s.push_back(0);
  }
  return s + std::string(6, '\0');
}
}  // namespace

TEST(MixedString, StrBytesCountsSwitchesAndTheFinalTerminator) {
  struct Case {
    std::string s;
    size_t bytes;
  } cases[] = {
      {B({'a', 'b', 'c', 0}), 4},
      {B({1, 1, 'A', 0, 0, 0}), 6},
      {B({'x', 1, 1, 'A', 0, 1, 0, 'y', 0}), 9},  // narrow, wide, back to narrow
      {B({0}), 1},
      {B({1, 1, 0, 0}), 4},
      {B({'a', 1, 0}), 3},  // a damaged switch before the end stops there
  };
  for (const Case& c : cases) EXPECT_EQ(StrBytes(c.s.c_str()), c.bytes) << testing::PrintToString(c.s);
}

TEST(MixedString, NextCharReadsOneUnitInEachMode) {
  std::string s = B({0x41, 0x42, 0x43, 0});
  const char* p = s.c_str();
  EXPECT_EQ(NextChar(p, 1), 0x4241u);
  EXPECT_EQ(p, s.c_str() + 2);
  EXPECT_EQ(NextChar(p, 0), 0x43u);
  EXPECT_EQ(p, s.c_str() + 3);
}

TEST(MixedString, StrCmpComparesCharactersWhateverTheirWidth) {
  std::string wideAB = Wide("AB");
  EXPECT_EQ(StrCmp("AB", wideAB.c_str()), 0);
  EXPECT_EQ(StrCmp(wideAB.c_str(), "AB"), 0);
  EXPECT_EQ(StrCmp("A", wideAB.c_str()), -1);
  EXPECT_EQ(StrCmp(wideAB.c_str(), "A"), 1);
  EXPECT_EQ(StrCmp("AC", wideAB.c_str()), 1);
  // A unit above 0xFF is greater than any narrow character.
  std::string big = B({1, 1, 0x00, 0x01, 0, 0});
  EXPECT_EQ(StrCmp("\xff", big.c_str()), -1);
  std::string mixed = B({'A', 1, 1, 'B', 0, 1, 0, 'C', 0});
  EXPECT_EQ(StrCmp(mixed.c_str(), "ABC"), 0);
  EXPECT_EQ(StrCmp("", ""), 0);
}

TEST(MixedString, StrChrAndStrrChrFindCharactersAndReportTheirMode) {
  std::string s = B({'a', '/', 1, 1, '/', 0, 'b', 0, 1, 0, '/', 'c', 0});
  int wide = -1;
  char* first = StrChr(s.data(), '/', &wide);
  EXPECT_EQ(first, s.data() + 1);
  EXPECT_EQ(wide, 0);
  char* last = StrrChr(s.data(), '/', &wide);
  EXPECT_EQ(last, s.data() + 10);
  EXPECT_EQ(wide, 0);
  char* wideSlash = StrChr(s.data() + 2, 'b', &wide);
  EXPECT_EQ(wideSlash, s.data() + 6);
  EXPECT_EQ(wide, 1);
  EXPECT_EQ(StrChr(s.data(), 'z'), nullptr);
  EXPECT_EQ(StrrChr(s.data(), 'z'), nullptr);
  // The byte 0x2F inside a wide unit 0x2F41 is no slash.
  std::string w = B({1, 1, 0x2F, 0x41, 0, 0});
  EXPECT_EQ(StrChr(w.data(), '/'), nullptr);
  // Plain strings behave like strchr / strrchr, the terminator included.
  const char* plain = "a.b.c";
  EXPECT_EQ(StrChr(plain, '.'), plain + 1);
  EXPECT_EQ(StrrChr(plain, '.'), plain + 3);
  EXPECT_EQ(StrChr(plain, 0), plain + 5);
}

TEST(MixedString, KillNewLineWritesTheTerminatorOfTheModeThere) {
  char narrow[] = "line one\nline two";
  KillNewLine(narrow);
  EXPECT_STREQ(narrow, "line one");
  std::string w = B({1, 1, 'h', 0, 'i', 0, '\n', 0, 'x', 0, 0, 0});
  KillNewLine(w.data());
  EXPECT_EQ(StrBytes(w.c_str()), 8u);
  EXPECT_EQ(StrCmp(w.c_str(), "hi"), 0);
  char none[] = "no newline";
  KillNewLine(none);
  EXPECT_STREQ(none, "no newline");
}

TEST(MixedString, NumericComparisonOrdersDigitRunsByValue) {
  struct Case {
    const char *a, *b;
    int expected;
  } cases[] = {
      {"item10", "Item9", 1},
      {"file9", "file10", -1},
      {"FILE", "file", 0},
      {"abc", "abd", -1},
      {"b", "A", 1},
      {"a1y", "a10x", 1},
      {"a10x", "a1y", -1},
      {"x", "x1", -1},
      {"x2", "x", 1},
      {"v007", "v8", -1},
      {"99999999999999999999b", "100000000000000000000a", -1},
      {"a1x", "a1y", -1},
      {"a01", "a1", -1},
      {"a1", "a01", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(stricmp_numerically(c.a, c.b), c.expected) << c.a << " vs " << c.b;
}

TEST(MixedString, CopyIsExactAndCutsAtTheLastCharacterThatLeavesRoomForTheTerminator) {
  std::string src = B({'a', 1, 1, 'B', 0, 'C', 0, 1, 0, 'd', 0});
  char out[32];
  EXPECT_EQ(StrNCpy(out, src.c_str(), sizeof out), 0);
  EXPECT_EQ(std::string(out, StrBytes(out)), src.substr(0, 11));

  struct Case {
    size_t size;
    std::string expected;  // bytes, terminator included
  } cases[] = {
      {1, B({0}).substr(0, 1)},
      {2, B({'a', 0}).substr(0, 2)},
      {5, B({'a', 0}).substr(0, 2)},  // 'B' needs the switch, the unit and a wide terminator
      {6, B({'a', 1, 1, 'B', 0, 0, 0}).substr(0, 7)},
  };
  for (const Case& c : cases) {
    std::vector<char> buf(c.size + 8, '\x7e');
    int cut = StrNCpy(buf.data(), src.c_str(), c.size);
    EXPECT_EQ(cut, 1) << c.size;
    std::string got(buf.data(), StrBytes(buf.data()));
    if (c.size == 6) {
      EXPECT_EQ(got, B({'a', 0}).substr(0, 2)) << "6 bytes hold a, the switch and a terminator only";
    } else {
      EXPECT_EQ(got, c.expected) << c.size;
    }
    for (size_t i = c.size; i < buf.size(); ++i) ASSERT_EQ(buf[i], '\x7e') << "wrote past " << c.size;
  }
  // Size 0 writes nothing at all.
  char guard = 'g';
  EXPECT_EQ(StrNCpy(&guard, "abc", 0), 1);
  EXPECT_EQ(guard, 'g');
}

TEST(MixedString, AppendWidensNarrowTextInWideOutput) {
  char out[32];
  char* cursor = out;
  int wide = 0;
  EXPECT_EQ(StrAppend(cursor, wide, "ab", out + sizeof out), 0);
  std::string w = Wide("C");
  EXPECT_EQ(StrAppend(cursor, wide, w.c_str(), out + sizeof out), 0);
  EXPECT_EQ(wide, 1);
  EXPECT_EQ(StrAppend(cursor, wide, "de", out + sizeof out), 0);
  EXPECT_EQ(wide, 1);
  std::string expected = B({'a', 'b', 1, 1, 'C', 0, 'd', 0, 'e', 0, 0, 0});
  EXPECT_EQ(std::string(out, StrBytes(out)), expected.substr(0, 12));
  EXPECT_EQ(StrCmp(out, "abCde"), 0);

  char small[8];
  std::strcpy(small, "abc");
  EXPECT_EQ(StrNAppend(small, "defgh", sizeof small), 1);
  EXPECT_STREQ(small, "abcdefg");
  char fits[8] = "ab";
  EXPECT_EQ(StrNAppend(fits, "cd", sizeof fits), 0);
  EXPECT_STREQ(fits, "abcd");
}

TEST(MixedString, CharAppendStopsWhereOnlyTheTerminatorFits) {
  char buf[3];
  char* p = buf;
  EXPECT_EQ(CharAppendCheckingStrEnd(p, 'x', buf + 3), 0);
  EXPECT_EQ(CharAppendCheckingStrEnd(p, 'y', buf + 3), 0);
  EXPECT_EQ(CharAppendCheckingStrEnd(p, 'z', buf + 3), 1);
  EXPECT_EQ(p, buf + 2);
  EXPECT_EQ(std::string(buf, 3), std::string("xy\0", 3));

  char w[6] = {9, 9, 9, 9, 9, 9};
  char* q = w;
  EXPECT_EQ(CharAppendCheckingStrEndUnicode(q, 0x12, w + 5, 0x34), 0);
  EXPECT_EQ(CharAppendCheckingStrEndUnicode(q, 0x56, w + 5, 0x78), 1);
  EXPECT_EQ(q, w + 2);
  EXPECT_EQ(std::string(w, 6), std::string("\x34\x12\0\0\x09\x09", 6));
}

TEST(MixedString, SafeConversionsRefuseForeignCharacters) {
  EXPECT_EQ(SafeAToI("123"), 123);
  EXPECT_EQ(SafeAToI("-45"), -45);
  EXPECT_EQ(SafeAToI("+7"), 7);
  EXPECT_EQ(SafeAToI("99999999999"), 2147483647);
  EXPECT_FATAL(SafeAToI("12 "), "bad integer 12 ");
  EXPECT_FATAL(SafeAToI("0x10"), "bad integer 0x10");
  EXPECT_DOUBLE_EQ(SafeAToF("1.5e2"), 150.0);
  EXPECT_DOUBLE_EQ(SafeAToF("-0.25"), -0.25);
  EXPECT_FATAL(SafeAToF("1,5"), "bad floating point number 1,5");
  EXPECT_FATAL(SafeAToF("inf"), "bad floating point number inf");
}

TEST(MixedString, InsertReplaceWordAndReplaceCharacter) {
  char s[64] = "world";
  StrIns(s, "hello ");
  EXPECT_STREQ(s, "hello world");

  struct Case {
    const char *before, *with, *after;
  } cases[] = {
      {"TEXTURE foo", "SCROLL", "SCROLL foo"},
      {"a,b", "xyz", "xyz,b"},
      {"f(1)", "g", "g(1)"},
      {"k=v", "key", "key=v"},
      {"word", "w", "w"},
      {"[x]", "y", "y[x]"},
  };
  for (const Case& c : cases) {
    char buf[64];
    std::strcpy(buf, c.before);
    StrRep(buf, c.with);
    EXPECT_STREQ(buf, c.after) << c.before;
  }

  char path[] = "a\\b\\c";
  StrReplC(path, '\\', '/');
  EXPECT_STREQ(path, "a/b/c");
  // Inside wide text only whole units are replaced.
  std::string w = B({1, 1, '\\', 0, 0x5C, 0x20, 0, 0});
  StrReplC(w.data(), '\\', '/');
  EXPECT_EQ(w.substr(0, 8), B({1, 1, '/', 0, 0x5C, 0x20, 0, 0}).substr(0, 8));
}
