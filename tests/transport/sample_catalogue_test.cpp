// The sample catalogues shipped in assets/ load for their own language and
// translate the launcher's labels.
#include <gtest/gtest.h>

#include <string>

#include "foundation/language_catalogue.h"
#include "transport/language_file.h"

namespace {
struct Sample {
  const char* language;
  const char* cancel;
  const char* selectLanguage;
};
}  // namespace

TEST(SampleCatalogues, LoadForTheirLanguageAndTranslateTheLabels) {
  for (Sample s :
       {Sample{"FRANCAIS", "Annuler", "Choisir la langue"}, Sample{"DEUTSCH", "Abbrechen", "Sprache w\xE4hlen"}}) {
    std::string path = std::string(QUORVEL_SOURCE_DIR) + "/assets/" + s.language + ".CAT";
    ASSERT_EQ(OpenLanguageFile(path.c_str(), s.language), 1) << path;
    EXPECT_STREQ(GetString("Cancel"), s.cancel);
    EXPECT_STREQ(GetString("Select Language"), s.selectLanguage);
    EXPECT_STREQ(GetString("Not in the catalogue"), "Not in the catalogue");
    EXPECT_EQ(OpenLanguageFile(path.c_str(), "KLINGON"), 0) << "a language the file does not list";
    EXPECT_STREQ(GetString("Cancel"), "Cancel");
  }
}
