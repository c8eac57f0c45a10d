#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <string_view>

#include "text/json.h"

namespace {

using namespace std::string_literals;

bool Parses(std::string_view text) {
    JsonValue value;
    return ParseJson(text, value);
}

JsonValue MustParse(std::string_view text) {
    JsonValue value;
    EXPECT_TRUE(ParseJson(text, value)) << "text: " << text;
    return value;
}

// The decoded bytes of a document that is a single string.
std::string DecodedString(std::string_view text) {
    const JsonValue value = MustParse(text);
    EXPECT_EQ(value.kind, JsonKind::String);
    return value.stringValue;
}

std::string Nested(int depth, std::string_view open, std::string_view inner, std::string_view close) {
    std::string text;
    for (int i = 0; i < depth; ++i)
        text += open;
    text += inner;
    for (int i = 0; i < depth; ++i)
        text += close;
    return text;
}

TEST(JsonDocument, OneValueWithCLocaleWhiteSpaceAround) {
    EXPECT_TRUE(Parses("  {\"a\":1}  "));
    EXPECT_TRUE(Parses("\v[\v1\f,\t2\r]\n"));  // vertical tab and form feed count as white space
    EXPECT_TRUE(Parses("{\v\"a\"\f:\v1\f}"));
    for (const std::string& bad :
         {"{\"a\":1} x"s, "1 2"s, ""s, " \t\r\n"s, "[1]\0"s, "\xA0[1]"s, "[1]\x85"s, "\xEF\xBB\xBF[1]"s}) {
        EXPECT_FALSE(Parses(bad)) << bad;
    }
}

TEST(JsonDocument, ParsingReplacesPreviousContent) {
    JsonValue value;
    ASSERT_TRUE(ParseJson("{\"a\":[1,2]}", value));
    ASSERT_TRUE(ParseJson("{\"b\":true}", value));
    EXPECT_EQ(value.FindMember("a"), nullptr);
    ASSERT_TRUE(ParseJson("7", value));
    EXPECT_EQ(value.kind, JsonKind::Number);
    EXPECT_TRUE(value.members.empty());
}

TEST(JsonLiterals, ExactSpellingOnly) {
    EXPECT_EQ(MustParse("true").kind, JsonKind::Bool);
    EXPECT_TRUE(MustParse("true").boolValue);
    EXPECT_FALSE(MustParse(" false ").boolValue);
    EXPECT_EQ(MustParse("null").kind, JsonKind::Null);
    for (const char* bad : {"tru", "True", "nul", "fals", "truex", "nulll", "[true1]", "[falsee]", "n"}) {
        EXPECT_FALSE(Parses(bad)) << bad;
    }
}

TEST(JsonNumbers, GrammarIsStrict) {
    for (const char* bad : {"-", "1.", "1e", "1e+", "01", "-01", "+1", ".5", "1.e5", "-.5", "0x10", "1e5.5", "--1",
                            "- 1", "Infinity", "NaN", "[1.]", "[01]"}) {
        EXPECT_FALSE(Parses(bad)) << bad;
    }
}

TEST(JsonNumbers, ValuesAreConvertedExactlyAsDecimal) {
    EXPECT_EQ(MustParse("0").numberValue, 0.0);
    const double negativeZero = MustParse("-0").numberValue;
    EXPECT_EQ(negativeZero, 0.0);
    EXPECT_TRUE(std::signbit(negativeZero));
    EXPECT_EQ(MustParse("0.5").numberValue, 0.5);
    EXPECT_EQ(MustParse("1E+2").numberValue, 100.0);
    EXPECT_EQ(MustParse("-12.5e-1").numberValue, -1.25);
    EXPECT_EQ(MustParse("1e20").numberValue, 1e20);
    EXPECT_EQ(MustParse("0.1").numberValue, 0.1);
    EXPECT_EQ(MustParse("1.7976931348623157e308").numberValue, 1.7976931348623157e308);
    EXPECT_EQ(MustParse("[ 3 ]").items.at(0).numberValue, 3.0);
}

TEST(JsonNumbers, OverflowFailsButUnderflowRoundsTowardsZero) {
    EXPECT_FALSE(Parses("1e400"));
    EXPECT_FALSE(Parses("-1e400"));
    EXPECT_FALSE(Parses("1.8e308"));
    EXPECT_FALSE(Parses("[1e99999999999999999999]"));
    EXPECT_FALSE(Parses("0.000001e315"));
    EXPECT_FALSE(Parses("10e308"));
    EXPECT_FALSE(Parses(std::string(400, '9')));

    const double tiny = MustParse("1e-400").numberValue;
    EXPECT_EQ(tiny, 0.0);
    EXPECT_FALSE(std::signbit(tiny));
    EXPECT_TRUE(std::signbit(MustParse("-1e-400").numberValue));
    EXPECT_EQ(MustParse("1e-99999999999999999999").numberValue, 0.0);
    EXPECT_EQ(MustParse("123456789e-500").numberValue, 0.0);
    EXPECT_EQ(MustParse("0.0e99999").numberValue, 0.0);
    EXPECT_EQ(MustParse("-0.000001e-320").numberValue, 0.0);
    EXPECT_EQ(MustParse("0.000001e314").numberValue, 1e308);
    const double subnormal = MustParse("4e-320").numberValue;
    EXPECT_GT(subnormal, 0.0);
    EXPECT_LT(subnormal, 1e-310);
}

TEST(JsonStrings, EscapesDecodeToUtf8Bytes) {
    EXPECT_EQ(DecodedString(R"("\"\/\\\b\f\n\r\t")"), "\"/\\\b\f\n\r\t");
    EXPECT_EQ(DecodedString(R"("\u00e9")"), "\xC3\xA9");
    EXPECT_EQ(DecodedString(R"("\u0041\u07FF\u0800\uFFFF")"), "A\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF");
    EXPECT_EQ(DecodedString(R"("\ud83d\ude00")"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(DecodedString(R"("\uDBFF\uDFFF")"), "\xF4\x8F\xBF\xBF");
    EXPECT_EQ(DecodedString(R"("\ude00")"), "\xED\xB8\x80");
    EXPECT_EQ(DecodedString(R"("a\u0000b")"), "a\0b"s);
    EXPECT_EQ(DecodedString(R"("")"), "");
}

TEST(JsonStrings, HighSurrogateNeedsEscapedLowSurrogateRightBehind) {
    for (const char* bad : {R"("\ud83d")", R"("\ud83dx")", R"("\ud83d\n")", R"("\ud83d\u0041")", R"("\ud83d\ud83d")",
                            R"("\ud83d\ude0")", R"("\ud83d\)", R"("\ud83d \ude00")", R"("\ud83d\U DE00")"}) {
        EXPECT_FALSE(Parses(bad)) << bad;
    }
}

TEST(JsonStrings, MalformedEscapesAndControlBytesFail) {
    for (const char* bad : {R"("\x41")", R"("\a")", R"("\U0041")", R"("\u00g1")", R"("\u12")", R"("\u004")", "\"\\",
                            "\"abc", "\"", "\"\t\"", "\"\n\"", "\"\x1F\"", "'a'"}) {
        EXPECT_FALSE(Parses(bad)) << bad;
    }
    EXPECT_FALSE(Parses("\"a\0b\""s));
}

TEST(JsonStrings, RawBytesAreCopiedWithoutValidation) {
    EXPECT_EQ(DecodedString("\"\xE4\""), "\xE4");
    EXPECT_EQ(DecodedString("\"\xE4\xB8\xAD\x7F\xFF\""), "\xE4\xB8\xAD\x7F\xFF");
}

TEST(JsonContainers, SeparatorsAndBrackets) {
    for (const char* empty : {"[]", "[ \n ]", "{}", "{ \t }"})
        EXPECT_TRUE(Parses(empty)) << empty;
    const JsonValue array = MustParse("[ 1 , \"two\" ,[null] ,{}]");
    ASSERT_EQ(array.kind, JsonKind::Array);
    ASSERT_EQ(array.items.size(), 4u);
    EXPECT_EQ(array.items[1].stringValue, "two");
    EXPECT_EQ(array.items[2].items.at(0).kind, JsonKind::Null);
    EXPECT_EQ(array.items[3].kind, JsonKind::Object);
    for (const char* bad :
         {"[1,]", "[,1]", "[1 2]", "[", "[1", "[1, ", "[1}", "{\"a\":1,}", "{,}", "{\"a\" 1}", "{a:1}", "{\"a\":}",
          "{\"a\":1", "{\"a\"", "{\"a\":1]", "{\"a\":1 \"b\":2}", "{\"a\":1,\"a\":}"}) {
        EXPECT_FALSE(Parses(bad)) << bad;
    }
}

TEST(JsonObjects, FirstOccurrenceOfAKeyWins) {
    const JsonValue object = MustParse(R"({"a":1,"b":{"c":2},"a":2,"b":null})");
    ASSERT_EQ(object.members.size(), 2u);
    EXPECT_EQ(object.FindMember("a")->numberValue, 1.0);
    EXPECT_EQ(object.FindMember("b")->kind, JsonKind::Object);
}

TEST(JsonObjects, MembersAreOrderedByBytes) {
    const JsonValue object = MustParse("{\"\xE4\":1,\"b\":2,\"B\":3,\"ab\":4,\"a\":5,\"\":6}");
    std::string order;
    for (const auto& [key, member] : object.members)
        order += "[" + key + "]";
    EXPECT_EQ(order, "[][B][a][ab][b][\xE4]");
}

TEST(JsonObjects, KeysAreDecodedAndMatchedExactly) {
    const JsonValue object = MustParse(R"({"type":"visit","n":3,"\u0041":"x","list":[]})");
    EXPECT_EQ(object.GetString("type"), "visit");
    EXPECT_EQ(object.GetString("A"), "x");
    EXPECT_EQ(object.GetString("Type"), "");
    EXPECT_EQ(object.GetString("n"), "");  // a Number member reads as empty
    EXPECT_EQ(object.GetString("missing"), "");
    EXPECT_EQ(object.FindMember("typ"), nullptr);
    ASSERT_NE(object.FindMember("list"), nullptr);
    EXPECT_EQ(object.FindMember("list")->FindMember("x"), nullptr);  // not an Object
    EXPECT_EQ(object.FindMember("n")->GetString("n"), "");
}

TEST(JsonNesting, DepthIsLimited) {
    const int limit = kMaxJsonNestingDepth;
    EXPECT_TRUE(Parses(Nested(limit, "[", "", "]")));
    EXPECT_FALSE(Parses(Nested(limit + 1, "[", "", "]")));
    EXPECT_TRUE(Parses(Nested(limit, "{\"k\":", "1", "}")));
    EXPECT_FALSE(Parses(Nested(limit + 1, "{\"k\":", "1", "}")));
    EXPECT_TRUE(Parses(Nested(limit / 2, "[{\"k\":", "1", "}]")));
    EXPECT_FALSE(Parses(Nested(limit / 2, "[{\"k\":", "[1]", "}]")));
    // Siblings do not add up: the limit is on depth, not on the number of containers.
    std::string wide = "[";
    for (int i = 0; i < 3 * limit; ++i)
        wide += "[[]],";
    wide += "1]";
    EXPECT_TRUE(Parses(wide));
    EXPECT_FALSE(Parses(std::string(1'000'000, '[')));
}

}  // namespace
