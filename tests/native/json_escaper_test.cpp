#include <gtest/gtest.h>

#include <string>

#include "text/json.h"

namespace {

using namespace std::string_literals;

TEST(JsonEscaper, ShortEscapesForQuotesBackslashAndCommonControls) {
    EXPECT_EQ(EscapeJsonUtf8("a\tb\"c\\d\x01/e"), R"(a\tb\"c\\d\u0001/e)");
    EXPECT_EQ(EscapeJsonUtf8("\b\f\n\r"), R"(\b\f\n\r)");
}

TEST(JsonEscaper, OtherControlBytesUseLowercaseHex) {
    EXPECT_EQ(EscapeJsonUtf8("\0"s), R"(\u0000)");
    EXPECT_EQ(EscapeJsonUtf8("\x0B\x1A\x1F"), R"(\u000b\u001a\u001f)");
}

TEST(JsonEscaper, EverythingElseIsCopied) {
    EXPECT_EQ(EscapeJsonUtf8(""), "");
    EXPECT_EQ(EscapeJsonUtf8(" /~\x7F"), " /~\x7F");
    EXPECT_EQ(EscapeJsonUtf8("\xE5\x92\x95\xE5\x99\x9C\xFF\x80"), "\xE5\x92\x95\xE5\x99\x9C\xFF\x80");
}

TEST(JsonEscaper, EveryByteSurvivesTheReader) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        all += static_cast<char>(byte);
    JsonValue value;
    ASSERT_TRUE(ParseJson("\"" + EscapeJsonUtf8(all) + "\"", value));
    EXPECT_EQ(value.stringValue, all);
}

}  // namespace
