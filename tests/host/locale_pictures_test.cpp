// Windows's regional date and time pictures in the module's specifiers.
#include "host/locale_pictures.h"

#include <gtest/gtest.h>

namespace dru {
namespace {

TEST(LocalePictures, DatesKeepTheirOrderAndSeparator) {
    struct Case {
        const char* picture;
        const char* format;
        char separator;
    };
    for (const Case& c :
         {Case{"dd-MM-yyyy", "dd-MM-yyyy", '-'}, Case{"dd/MM/yyyy", "dd/MM/yyyy", '/'},
          Case{"M/d/yyyy", "M/d/yyyy", '/'}, Case{"yyyy-MM-dd", "yyyy-MM-dd", '-'},
          Case{"d.M.yy", "d.M.yy", '.'}, Case{"dd.MM.yyyyy", "dd.MM.yyyy", '.'}}) {
        const auto t = TranslateDatePicture(c.picture);
        ASSERT_TRUE(t) << c.picture;
        EXPECT_EQ(t->format, c.format) << c.picture;
        EXPECT_EQ(t->separator, c.separator) << c.picture;
    }
}

TEST(LocalePictures, DatesTheModuleCannotPrintAreRefused) {
    for (const char* picture : {"dd-MMM-yy", "dddd d MMMM yyyy", "d/M/y", "gg yyyy/MM/dd",
                                "dd/MM-yyyy", "yyyy'年'M'月'd'日'", "ddMMyyyy", ""})
        EXPECT_FALSE(TranslateDatePicture(picture)) << picture;
}

TEST(LocalePictures, TimesPrintTwentyFourHoursWithoutTheMarker) {
    struct Case {
        const char* picture;
        const char* format;
    };
    for (const Case& c :
         {Case{"HH:mm:ss", "hh:nn:ss"}, Case{"H:mm:ss", "h:nn:ss"}, Case{"h:mm:ss tt", "h:nn:ss"},
          Case{"tt hh:mm:ss", "hh:nn:ss"}, Case{"HH.mm.ss", "hh.nn.ss"}, Case{"H:mm", "h:nn"}}) {
        const auto t = TranslateTimePicture(c.picture);
        ASSERT_TRUE(t) << c.picture;
        EXPECT_EQ(t->format, c.format) << c.picture;
    }
    EXPECT_EQ(TranslateTimePicture("HH.mm.ss")->separator, '.');
    for (const char* picture : {"HH:mm:ss.fff", "HH 'h' mm", "HH:mm.ss", "tt", ""})
        EXPECT_FALSE(TranslateTimePicture(picture)) << picture;
}

}  // namespace
}  // namespace dru
