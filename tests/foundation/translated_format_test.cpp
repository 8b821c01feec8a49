// Catalogue translations of formats: a translation is used only when its
// directives take the arguments the English text's take.
#include "foundation/translated_format.h"

#include <gtest/gtest.h>

#include "foundation/language_catalogue.h"

namespace {

struct FormatPair {
  const char* english;
  const char* translated;
  bool same;
};

const FormatPair kPairs[] = {
    {"File %s of %d", "Datei %s von %d", true},
    {"File %s of %d", "%d Dateien, davon %s", false},          // letters in another order
    {"File %s of %d", "von %/2d: Datei %/1s", true},           // the same arguments by number
    {"Copy of %s failed", "Kopie von %s %s", false},           // one directive too many
    {"Copy of %s failed", "Kopie fehlgeschlagen", false},      // one too few
    {"Copy of %s failed", "Kopie %s zu 100 % fertig", false},  // "% f" reads an unknown directive
    {"Copy of %s failed", "Kopie %s zu 100%% fertig", true},   // "%%" is a percent sign
    {"Done: %s", "Fertig: %/1s %/1s", false},                  // one argument used twice
    {"Width %5d, %.3s", "Breite %3d, %.9s", true},             // widths and precisions do not matter
    {"errno=%i", "Fehler %i", true},
    {"errno=%i", "Fehler %d", false},
    {"errno=%i", "Fehler %n", false},  // not a letter the printers take
    {"At the end %", "Am Ende %", true},
};

}  // namespace

TEST(TranslatedFormat, DirectivesAreComparedByArgumentLetterAndPosition) {
  for (const FormatPair& p : kPairs) {
    SCOPED_TRACE(std::string(p.english) + " / " + p.translated);
    EXPECT_EQ(SameFormatArguments(p.english, p.translated), p.same);
  }
  EXPECT_FALSE(SameFormatArguments(nullptr, "x"));
}

TEST(TranslatedFormat, AMismatchedTranslationGivesWayToTheEnglishText) {
  const std::string catalogue =
      "DEUTSCH\n\n"
      "Copy of %s failed\nKopie von %s %s\n\n"
      "File %s of %d\nDatei %s von %d\n\n";
  ASSERT_EQ(LoadLanguageCatalogue(catalogue.data(), catalogue.size(), "DEUTSCH"), 1);
  EXPECT_STREQ(GetFormatString("Copy of %s failed"), "Copy of %s failed");
  EXPECT_STREQ(GetFormatString("File %s of %d"), "Datei %s von %d");
  EXPECT_STREQ(GetFormatString("Not in the catalogue %s"), "Not in the catalogue %s");
  FreeHashList();
  EXPECT_STREQ(GetFormatString("File %s of %d"), "File %s of %d");
}
