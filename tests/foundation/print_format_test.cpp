#include "foundation/print_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "foundation/mixed_string.h"
#include "support/fatal.h"

namespace {
std::string Bytes(const char* s) { return std::string(s, StrBytes(s)); }

int CallVSNPrintF(char* out, size_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int r = VSNPrintF(out, size, format, args);
  va_end(args);
  return r;
}
}  // namespace

TEST(PrintFormat, OnlyThreeLettersAreRegistered) {
  for (int c = 0; c < 128; ++c) {
    bool expected = c == 'c' || c == 'd' || c == 's';
    EXPECT_EQ(PrintFFunctionTable[c].size != 0, expected) << c;
  }
  EXPECT_EQ(PrintFFunctionTable['d'].size, 4);
}

TEST(PrintFormat, FormatsAndReordersArguments) {
  char out[128];
  struct {
    std::string got, expected;
  } cases[] = {
      {(SNPrintF(out, sizeof out, "%/2s %/1s", "world", "hello"), out), "hello world"},
      {(SNPrintF(out, sizeof out, "%d|%d|%d", 0, -2147483647 - 1, 2147483647), out), "0|-2147483648|2147483647"},
      {(SNPrintF(out, sizeof out, "%c%c", 'o', 0x100 + 'k'), out), "ok"},
      {(SNPrintF(out, sizeof out, "100%% %s", "sure"), out), "100% sure"},
      {(SNPrintF(out, sizeof out, "%5d/%.2s/%08d", 7, "ab", 9), out), "7/ab/9"},
      {(SNPrintF(out, sizeof out, "%/3d-%/1d-%/2d", 1, 2, 3), out), "3-1-2"},
      {(SNPrintF(out, sizeof out, "%/2d%/1s", "x", 5), out), "5x"},  // types follow the letters
      {(SNPrintF(out, sizeof out, "%/12d", 4), out), "4"},           // one digit after "/", the rest ignored
      {(SNPrintF(out, sizeof out, "%/.1d", 3), out), "3"},
      {(SNPrintF(out, sizeof out, "tail %"), out), "tail %"},
      {(SNPrintF(out, sizeof out, "%s", static_cast<const char*>(nullptr)), out), "(null)"},
      {(SNPrintF(out, sizeof out, "no directives"), out), "no directives"},
  };
  for (auto& c : cases) EXPECT_EQ(c.got, c.expected);
}

TEST(PrintFormat, SixteenArgumentsAreTheLimit) {
  char out[128];
  SNPrintF(out, sizeof out, "%d%d%d%d%d%d%d%d%d%d%d%d%d%d%d%d", 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 2, 3, 4, 5);
  EXPECT_STREQ(out, "0123456789012345");
  EXPECT_FATAL(SNPrintF(out, sizeof out, "%d%d%d%d%d%d%d%d%d%d%d%d%d%d%d%d%d", 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 2, 3,
                        4, 5, 6),
               "Max args needs to be incremented - current 16 needs 16");
}

TEST(PrintFormat, CutOutputIsTerminatedAndReported) {
  char out[8] = "xxxxxxx";
  EXPECT_NE(CallVSNPrintF(out, 3, "%d", 456), 0);
  EXPECT_STREQ(out, "45");
  EXPECT_EQ(out[3], 'x');
  EXPECT_EQ(SNPrintF(out, 3, "%d", 456), 0);
  EXPECT_STREQ(out, "45");
  EXPECT_EQ(CallVSNPrintF(out, 4, "%d", 456), 0);
  EXPECT_STREQ(out, "456");
  char one = 'q';
  EXPECT_NE(CallVSNPrintF(&one, 1, "abc"), 0);
  EXPECT_EQ(one, 0);
  char none = 'q';
  EXPECT_NE(CallVSNPrintF(&none, 0, "abc"), 0);
  EXPECT_EQ(none, 'q');
}

TEST(PrintFormat, WideArgumentsAndWideFormatsProduceMixedOutput) {
  char out[64];
  // A wide argument switches the output; what follows in the format is widened.
  const char wideName[] = "\x01\x01N\0a\0\0\0";
  SNPrintF(out, sizeof out, "[%s]!", wideName);
  EXPECT_EQ(Bytes(out), std::string("[\x01\x01N\0a\0]\0!\0\0\0", 13));
  EXPECT_EQ(StrCmp(out, "[Na]!"), 0);

  // A wide format: its text and the arguments come out wide.
  const char wideFormat[] = "\x01\x01%\0d\0=\0%\0s\0\0\0";
  SNPrintF(out, sizeof out, wideFormat, 42, "ok");
  EXPECT_EQ(Bytes(out), std::string("\x01\x01"
                                    "4\0"
                                    "2\0=\0o\0k\0\0\0",
                                    14));

  // A format that switches back to narrow switches the output back.
  const char backFormat[] =
      "\x01\x01"
      "A\0\x01\0"
      "%d";
  SNPrintF(out, sizeof out, backFormat, 7);
  EXPECT_EQ(Bytes(out), std::string("\x01\x01"
                                    "A\0\x01\0"
                                    "7\0",
                                    8));

  // Cut inside wide output: the wide terminator still fits.
  int cut = CallVSNPrintF(out, 7, "%s",
                          "\x01\x01"
                          "a\0b\0c\0\0\0");
  EXPECT_NE(cut, 0);
  EXPECT_EQ(Bytes(out), std::string("\x01\x01"
                                    "a\0\0\0",
                                    6));
}

// The output runs out exactly where it must turn wide (or back): the switch
// code is never written without the character after it, the result stays
// terminated in the mode it is in, and the cut is reported.
TEST(PrintFormat, CutAtTheSwitchBetweenWidths) {
  const char wideArg[] = "\x01\x01N\0\0\0";
  const char wideThenNarrowArg[] = "\x01\x01N\0\x01\0\0";
  const char wideTail[] = "x\x01\x01y\0\0\0";  // a format that turns wide after x
  struct Case {
    const char* format;
    const char* arg;
    size_t size;
    std::string expected;
    bool cut;
  } cases[] = {
      {"x%s", wideArg, 1, std::string("\0", 1), true},
      {"x%s", wideArg, 2, std::string("x\0", 2), true},
      {"x%s", wideArg, 4, std::string("x\0", 2), true},
      {"x%s", wideArg, 6, std::string("x\0", 2), true},
      {"x%s", wideArg, 7, std::string("x\x01\x01N\0\0\0", 7), false},
      {wideTail, wideArg, 4, std::string("x\0", 2), true},
      {wideTail, wideArg, 6, std::string("x\0", 2), true},
      {wideTail, wideArg, 7, std::string("x\x01\x01y\0\0\0", 7), false},
      // Text after a wide argument stays wide.
      {"%sx", wideArg, 7, std::string("\x01\x01N\0\0\0", 6), true},
      {"%sx", wideArg, 8, std::string("\x01\x01N\0x\0\0\0", 8), false},
      // Back to narrow after the argument: the unit 0x0001 needs the
      // character after it and the narrow terminator.
      {"%sx", wideThenNarrowArg, 7, std::string("\x01\x01N\0\0\0", 6), true},
      {"%sx", wideThenNarrowArg, 8, std::string("\x01\x01N\0\x01\0x\0", 8), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.format) + " into " + std::to_string(c.size));
    std::vector<char> out(16, '#');
    int result = CallVSNPrintF(out.data(), c.size, c.format, c.arg);
    EXPECT_EQ(result != 0, c.cut);
    EXPECT_EQ(Bytes(out.data()), c.expected);
    EXPECT_EQ(std::string(out.begin() + long(c.size), out.end()), std::string(16 - c.size, '#'))
        << "written past the size";
  }
}

TEST(PrintFormat, FormatFaultsAreFatal) {
  char out[64];
  EXPECT_FATAL(SNPrintF(out, sizeof out, "%x", 1), "unrecognized format char x in %x");
  EXPECT_FATAL(SNPrintF(out, sizeof out, "a %u b", 1), "unrecognized format char u in a %u b");
  EXPECT_FATAL(SNPrintF(out, sizeof out, "%-5d", 1), "unrecognized format char - in %-5d");
  EXPECT_FATAL(SNPrintF(out, sizeof out, "%/xd", 1), "unrecognized format char / in %/xd");
  EXPECT_FATAL(SNPrintF(out, sizeof out, "%/1d %/1d", 1), "duplicate '/' delimiter entry in %/1d %/1d");
  EXPECT_FATAL(SNPrintF(out, sizeof out, "%/2s %s", "a", "b"), "duplicate '/' delimiter entry in %/2s %s");
  EXPECT_FATAL(SNPrintF(out, sizeof out, "%/2s", "a", "b"), "Undefined arg size: 0");
  // Nothing is written before a fault is found.
  std::strcpy(out, "untouched");
  EXPECT_FATAL(SNPrintF(out, sizeof out, "ok %d %q", 1), "unrecognized format char q in ok %d %q");
  EXPECT_STREQ(out, "untouched");
}

TEST(PrintFormat, UnboundedFormsFormatWhole) {
  std::vector<char> big(5000);
  std::string longText(4000, 'z');
  EXPECT_EQ(SPrintF(big.data(), "<%s>", longText.c_str()), 0);
  EXPECT_EQ(std::string(big.data()), "<" + longText + ">");
}
