#include "live/wire_format.h"

#include <gtest/gtest.h>

#include <string>

namespace mossquill::service {
namespace {

// Relayed messages are composed from pieces; they must read as ToText writes the same document.
TEST(WireFormatTest, ComposedStringsAreEscapedAsDocumentsAre) {
    std::string everyByteBelowSpace;
    for (char c = 1; c < 0x20; ++c) {
        everyByteBelowSpace += c;
    }
    for (const std::string value :
         {std::string("咕噜兽 \"引号\" \\ / 😀"), everyByteBelowSpace, std::string(1, '\0'), std::string("\x7f end")}) {
        std::string composed;
        AppendJsonString(composed, value);
        EXPECT_EQ(composed, ToText(value));
        EXPECT_EQ(nlohmann::json::parse(composed), value);
    }
}

}  // namespace
}  // namespace mossquill::service
