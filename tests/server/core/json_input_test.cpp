#include "core/json_input.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

namespace mossquill::service {
namespace {

JsonInputError ErrorOf(std::string_view text) { return ParseJsonObject(text).error; }

constexpr std::array<std::string_view, 4> kReadNames = {"type", "to", "text", "n"};

// The member reader must judge a text exactly as the document parser does and see the same
// top-level members: the relay reads messages with one and the service's other input with the other.
void ExpectReadAsParsed(const std::string& text) {
    std::array<JsonMember, kReadNames.size()> members;
    const JsonInputError readError = ReadObjectMembers(text, kReadNames, members);
    const JsonInput parsed = ParseJsonObject(text);
    ASSERT_EQ(readError, parsed.error) << text;
    if (readError != JsonInputError::None) {
        return;
    }
    for (std::size_t i = 0; i < kReadNames.size(); ++i) {
        const auto found = parsed.value.find(kReadNames[i]);
        EXPECT_EQ(members[i].present, found != parsed.value.end()) << text << " " << kReadNames[i];
        const bool isString = found != parsed.value.end() && found->is_string();
        EXPECT_EQ(members[i].isString, isString) << text << " " << kReadNames[i];
        if (isString) {
            EXPECT_EQ(members[i].text, found->get<std::string>()) << text;
        }
    }
}

TEST(JsonInputTest, AcceptsObjectsWithNestingUpToTheLimit) {
    const JsonInput input = ParseJsonObject(R"( {"a":[1,{"b":[[[[[true]]]]]}],"c":"\u00e9\ud83d\ude00"} )");
    ASSERT_EQ(input.error, JsonInputError::None);
    EXPECT_EQ(input.value["c"], "\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(input.value["a"][1]["b"][0][0][0][0][0], true);
}

TEST(JsonInputTest, RefusesWhatCouldBeReadTwoWaysOrExhaustTheService) {
    EXPECT_EQ(ErrorOf(R"({"a":1,"a":2})"), JsonInputError::InvalidJson);
    EXPECT_EQ(ErrorOf(R"({"a":{"b":1,"b":1}})"), JsonInputError::InvalidJson);
    EXPECT_EQ(ErrorOf(R"({"a":[[[[[[[[1]]]]]]]]})"), JsonInputError::InvalidJson);
    EXPECT_EQ(ErrorOf(R"({"a":1e999})"), JsonInputError::InvalidJson);
    EXPECT_EQ(ErrorOf(R"({"a":"\udc00"})"), JsonInputError::InvalidJson);
    EXPECT_EQ(ErrorOf("{\"a\":\"\xF5\x80\x80\x80\"}"), JsonInputError::InvalidUtf8);
}

TEST(JsonInputTest, RefusesBrokenDocumentsAndNonObjects) {
    for (const char* text : {"", " ", "{", R"({"a":1,})", R"({"a":1} x)", "{'a':1}", "{\"a\":\"tab\there\"}",
                             R"({"a":01})", R"({"a":.5})"}) {
        EXPECT_EQ(ErrorOf(text), JsonInputError::InvalidJson) << text;
    }
    for (const char* text : {"[]", "1", "\"text\"", "null"}) {
        EXPECT_EQ(ErrorOf(text), JsonInputError::NotAnObject) << text;
    }
}

TEST(JsonInputTest, MangledInputNeverThrowsAndOnlyObjectsPass) {
    const std::string seed =
        R"({"type":"action","to":"0123abcd","action":"drink","action_v2":"eat","text":"\u4f60\ud83d\ude00 好",)"
        R"("n":[1,-2.5e3,true,false,null,{"k":{}}]})";
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> byte(0, 255);
    int accepted = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string text = seed;
        const int edits = 1 + round % 4;
        for (int edit = 0; edit < edits; ++edit) {
            const std::size_t at = random() % text.size();
            switch (random() % 3) {
            case 0:
                text[at] = static_cast<char>(byte(random));
                break;
            case 1:
                text.erase(at, 1 + random() % 8);
                break;
            default:
                text.insert(at, 1, "{[\"\\:,}]"[random() % 8]);
                break;
            }
            if (text.empty()) {
                text = "{";
            }
        }
        const JsonInput input = ParseJsonObject(text);
        if (input.error == JsonInputError::None) {
            ++accepted;
            EXPECT_TRUE(input.value.is_object()) << text;
            EXPECT_NO_THROW(input.value.dump()) << "accepted text must hold valid UTF-8 only";
        }
    }
    EXPECT_GT(accepted, 0) << "some mutations stay valid, so the test does reach the accepting path";
}

TEST(JsonInputTest, MemberReaderAgreesWithTheParserOnEveryText) {
    for (const char* text :
         {R"({"type":"action","to":"ab","text":"\u4f60\"x","n":[{"type":1}]})", R"({"n":{"to":"x"},"to":5})",
          R"({"a":{"b":1,"b":1}})", R"({"a":[[[[[[[[1]]]]]]]]})", R"({"a":[[[[[[[1]]]]]]]})", R"({"a":1e999})",
          R"({"t":1,"t":2})", R"(["type","to"])", R"({"to":null,"type":true,"text":{}})", "{}"}) {
        ExpectReadAsParsed(text);
    }
    const std::string seed = R"({"type":"action","to":"0123abcd","text":"\u4f60\ud83d\ude00 好","n":[1,{"k":{}}]})";
    std::mt19937 random(20261209);
    for (int round = 0; round < 20000; ++round) {
        std::string text = seed;
        for (int edit = 0; edit <= round % 3; ++edit) {
            const std::size_t at = random() % (text.size() + 1);
            text.insert(at, 1, "{[\"\\:,}]a1"[random() % 10]);
            text.erase(random() % text.size(), random() % 3);
        }
        ExpectReadAsParsed(text);
    }
}

}  // namespace
}  // namespace mossquill::service
