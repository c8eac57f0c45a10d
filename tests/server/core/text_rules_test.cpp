#include "core/field_rules.h"
#include "core/texts.h"
#include "core/utf8_text.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

namespace mossquill::service {
namespace {

TEST(Utf8TextTest, AcceptsOnlyWellFormedUtf8) {
    EXPECT_TRUE(IsValidUtf8("plain 咕噜兽 \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF"));
    const char* const invalid[] = {
        "\x80",              // lone continuation
        "\xC0\xAF",          // overlong slash
        "\xE0\x80\xAF",      // overlong, three bytes
        "\xF0\x80\x80\xAF",  // overlong, four bytes
        "\xED\xA0\x80",      // surrogate
        "\xF4\x90\x80\x80",  // above U+10FFFF
        "\xE4\xB8",          // truncated
        "\xE4\x41\xAD",      // continuation missing
        "\xFF",
    };
    for (const char* text : invalid) {
        EXPECT_FALSE(IsValidUtf8(text)) << testing::PrintToString(text);
    }
}

TEST(Utf8TextTest, CountsTrimsAndFindsControls) {
    EXPECT_EQ(CodePointCount("a咕\xF0\x9F\x98\x80"), 3u);
    EXPECT_EQ(TrimSpaces("\xE3\x80\x80 \t咕 噜\r\n\xE3\x80\x80"), "咕 噜");
    EXPECT_EQ(TrimSpaces(" \xE3\x80\x80 "), "");
    EXPECT_TRUE(HasControlCharacter("a\x7F"));
    EXPECT_TRUE(HasControlCharacter("a\xC2\x85"));  // NEXT LINE, a C1 control
    EXPECT_FALSE(HasControlCharacter("a\xC2\xA0\xE4\xB8\x80"));
}

TEST(FieldRulesTest, NicknamesAreTrimmedAndLimitedToTwelveCharacters) {
    const nlohmann::json twelve = "一二三四五六七八九十\xF0\x9F\x98\x80x";
    EXPECT_EQ(CheckNickname(&twelve).value, twelve.get<std::string>());
    const nlohmann::json padded = " 咕噜兽\xE3\x80\x80";
    EXPECT_EQ(CheckNickname(&padded).value, "咕噜兽");
    const nlohmann::json thirteen = twelve.get<std::string>() + "y";
    EXPECT_EQ(CheckNickname(&thirteen).error, texts::kNicknameTooLong);
    EXPECT_EQ(CheckNickname(nullptr).error, texts::kNicknameMissing);
}

TEST(FieldRulesTest, NotesAreOptionalTextOfAtMostSixtyCharacters) {
    EXPECT_TRUE(CheckNote(JsonMember{}).error.empty());
    std::string sixty;
    for (int i = 0; i < 60; ++i) {
        sixty += "字";
    }
    EXPECT_EQ(CheckNote({true, true, sixty}).value, sixty);
    EXPECT_EQ(CheckNote({true, true, sixty + "!"}).error, texts::kNoteTooLong);
    EXPECT_EQ(CheckNote({true, false, {}}).error, texts::kNoteInvalid);
}

TEST(FieldRulesTest, AppearancesAreIntegersFromZeroToThree) {
    EXPECT_EQ(CheckAppearance(nlohmann::json(3)).value, 3);
    EXPECT_EQ(CheckAppearance(nlohmann::json(2.0)).value, 2);
    for (const nlohmann::json& value :
         {nlohmann::json(4), nlohmann::json(-1), nlohmann::json(0.5), nlohmann::json(18446744073709551615ull),
          nlohmann::json("1"), nlohmann::json(nullptr)}) {
        EXPECT_EQ(CheckAppearance(value).error, texts::kAppearanceInvalid) << value.dump();
    }
}

TEST(FieldRulesTest, ActionsCodesAndReactions) {
    for (const char* action : {"greet", "heart", "no_speech", "begging", "flying", "drink", "wealth", "eat", "evil"}) {
        EXPECT_TRUE(IsVisitAction(action)) << action;
    }
    EXPECT_FALSE(IsVisitAction("Greet"));
    EXPECT_FALSE(IsVisitAction(""));
    EXPECT_TRUE(IsPairCodeFormat("000123"));
    EXPECT_FALSE(IsPairCodeFormat("00012"));
    EXPECT_FALSE(IsPairCodeFormat("00012\xD9"));
    EXPECT_TRUE(IsReaction("dislike"));
    EXPECT_FALSE(IsReaction("meh"));
}

}  // namespace
}  // namespace mossquill::service
