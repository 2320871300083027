// Conversions: text to integers as the classic library does it, and code page 1252.
#include "support/forms.h"
#include "support/ui_logs.h"
#include "toolkit/exceptions.h"

#include <gtest/gtest.h>

namespace toolkit {
namespace {

using orv_test::MessageBoxLog;

TEST(StrToInt, AcceptsTheClassicForms) {
    EXPECT_EQ(StrToInt("44100"), 44100);
    EXPECT_EQ(StrToInt("-5"), -5);
    EXPECT_EQ(StrToInt("+7"), 7);
    EXPECT_EQ(StrToInt("$FF"), 255);
    EXPECT_EQ(StrToInt("0x10"), 16);
    EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
    EXPECT_EQ(StrToInt("  22000"), 22000);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
}

TEST(StrToInt, RaisesEConvertErrorNamingTheText) {
    for (const char* text :
         {"44.1", "", " ", "58000 ", "abc", "12a", "2147483648", "$", "--1", "$1FFFFFFFF", "1e3"}) {
        try {
            StrToInt(text);
            ADD_FAILURE() << "accepted '" << text << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "'" + std::string(text) + "' is not a valid integer value");
        }
    }
    EXPECT_EQ(StrToIntDef("44.1", -1), -1);
    EXPECT_EQ(StrToIntDef("48000", -1), 48000);
}

TEST(CodePage1252, ConvertsBothWays) {
    // "Gerät", the euro sign and a German quotation in code page 1252.
    std::string cp = "Ger\xE4t \x80 \x84"
                     "a\x93";
    std::string utf8 = Cp1252ToUtf8(cp);
    EXPECT_EQ(utf8, "Ger\xC3\xA4t \xE2\x82\xAC \xE2\x80\x9E"
                    "a\xE2\x80\x9C");
    EXPECT_EQ(Utf8ToCp1252(utf8), cp);
    // Characters outside the code page, and broken UTF-8, become '?'.
    EXPECT_EQ(Utf8ToCp1252("\xE2\x86\x92 \xC3"), "? ?");
    EXPECT_EQ(Utf8ToCp1252("a\xFF"
                           "b"),
              "a?b");
    // Overlong forms and surrogates are no characters: a hidden NUL must not cut the text.
    EXPECT_EQ(Utf8ToCp1252(std::string("a\xC0\x80"
                                       "b")),
              "a?b");
    EXPECT_EQ(Utf8ToCp1252("\xED\xA0\x80"), "?");
    // The five bytes the code page leaves undefined stand for the C1 controls, both ways.
    EXPECT_EQ(Cp1252ToUtf8("\x81\x9D"), "\xC2\x81\xC2\x9D");
    EXPECT_EQ(Utf8ToCp1252("\xC2\x81\xC2\x9D"), "\x81\x9D");
    EXPECT_EQ(Utf8ToCp1252("\xC2\x80"), "?"); // U+0080 is not the euro sign
}

TEST(CodePage1252, MessageBoxesShowTheirTextsInUnicode) {
    MessageBoxLog log;
    EXPECT_EQ(MessageBoxA(nullptr, "Ger\xE4t nicht verf\xFCgbar", "Fehler", MB_ICONERROR), IDOK);
    ASSERT_EQ(log.boxes.size(), 1u);
    EXPECT_EQ(log.boxes[0].text, "Ger\xC3\xA4t nicht verf\xC3\xBCgbar");
    EXPECT_EQ(log.boxes[0].caption, "Fehler");
    EXPECT_EQ(log.boxes[0].style, MB_ICONERROR);
    EXPECT_EQ(log.boxes[0].owner, nullptr);
}

} // namespace
} // namespace toolkit
