#include <gtest/gtest.h>

#include <string>

#include "text/json.h"
#include "text/wide_text.h"

namespace {

using namespace std::string_literals;

const std::wstring kPetName = L"\u5495\u565C\u517D";
const std::string kPetNameUtf8 = "\xE5\x92\x95\xE5\x99\x9C\xE5\x85\xBD";

TEST(Utf8ToWide, ConvertsValidText) {
    EXPECT_EQ(Utf8ToWide(kPetNameUtf8), kPetName);
    EXPECT_EQ(Utf8ToWide("\xF0\x9F\x98\x80"), L"\xD83D\xDE00");
    EXPECT_EQ(Utf8ToWide("a\0b"s), L"a\0b"s);
    EXPECT_EQ(Utf8ToWide(""), L"");
}

TEST(Utf8ToWide, InvalidTextGivesEmptyNotAPrefix) {
    for (const std::string& bad :
         {"ab\xE4"s, "\xE4"s, "ok\xE5\x92"s, "\xC0\x80"s, "\xED\xB8\x80"s, "\xF4\x90\x80\x80"s, "\x80x"s, "\xFF"s}) {
        EXPECT_EQ(Utf8ToWide(bad), L"") << "bytes: " << bad;
    }
}

TEST(WideToUtf8, UnpairedSurrogatesBecomeReplacementCharacter) {
    EXPECT_EQ(WideToUtf8(L"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(WideToUtf8(L"a\xD800"), "a\xEF\xBF\xBD");
    EXPECT_EQ(WideToUtf8(L"\xDE00z"), "\xEF\xBF\xBDz");
    EXPECT_EQ(WideToUtf8(L""), "");
}

TEST(EscapeJsonString, EscapesControlsQuotesAndBackslashOnly) {
    EXPECT_EQ(EscapeJsonString(L"a\tb\"c\\d\x0001/e"), R"(a\tb\"c\\d\u0001/e)");
    EXPECT_EQ(EscapeJsonString(L"\b\f\n\r\x001f\x007f"), "\\b\\f\\n\\r\\u001f\x7F");
    EXPECT_EQ(EscapeJsonString(L"x\0y"s), R"(x\u0000y)");
    EXPECT_EQ(EscapeJsonString(kPetName), kPetNameUtf8);
    EXPECT_EQ(EscapeJsonString(L"\xDC00"), "\xEF\xBF\xBD");
    EXPECT_EQ(EscapeJsonString(L""), "");
}

TEST(EscapeJsonString, BodyFieldReadsBackToTheSameText) {
    const std::wstring nickname = kPetName + L" \"\x5C\t\x0001/\xD83D\xDE00";
    JsonValue body;
    ASSERT_TRUE(ParseJson("{\"nickname\":\"" + EscapeJsonString(nickname) + "\"}", body));
    EXPECT_EQ(Utf8ToWide(body.GetString("nickname")), nickname);
}

}  // namespace
