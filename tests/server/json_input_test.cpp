#include "json_input.h"

#include <gtest/gtest.h>

namespace mossquill::service {
namespace {

JsonInputError ErrorOf(std::string_view text) { return ParseJsonObject(text).error; }

TEST(JsonInputTest, AcceptsObjectsWithNestingUpToTheLimit)
{
    const JsonInput input = ParseJsonObject(R"( {"a":[1,{"b":[[[[[true]]]]]}],"c":"\u00e9\ud83d\ude00"} )");
    ASSERT_EQ(input.error, JsonInputError::None);
    EXPECT_EQ(input.value["c"], "\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(input.value["a"][1]["b"][0][0][0][0][0], true);
}

TEST(JsonInputTest, RefusesWhatCouldBeReadTwoWaysOrExhaustTheService)
{
    EXPECT_EQ(ErrorOf(R"({"a":1,"a":2})"), JsonInputError::InvalidJson);
    EXPECT_EQ(ErrorOf(R"({"a":{"b":1,"b":1}})"), JsonInputError::InvalidJson);
    EXPECT_EQ(ErrorOf(R"({"a":[[[[[[[[1]]]]]]]]})"), JsonInputError::InvalidJson);
    EXPECT_EQ(ErrorOf(R"({"a":1e999})"), JsonInputError::InvalidJson);
    EXPECT_EQ(ErrorOf(R"({"a":"\udc00"})"), JsonInputError::InvalidJson);
    EXPECT_EQ(ErrorOf("{\"a\":\"\xF5\x80\x80\x80\"}"), JsonInputError::InvalidUtf8);
}

TEST(JsonInputTest, RefusesBrokenDocumentsAndNonObjects)
{
    for (const char* text : {"", " ", "{", R"({"a":1,})", R"({"a":1} x)", "{'a':1}", "{\"a\":\"tab\there\"}",
                             R"({"a":01})", R"({"a":.5})"}) {
        EXPECT_EQ(ErrorOf(text), JsonInputError::InvalidJson) << text;
    }
    for (const char* text : {"[]", "1", "\"text\"", "null"}) {
        EXPECT_EQ(ErrorOf(text), JsonInputError::NotAnObject) << text;
    }
}

}  // namespace
}  // namespace mossquill::service
