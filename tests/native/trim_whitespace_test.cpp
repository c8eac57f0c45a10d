#include "text/trim_whitespace.h"

#include <gtest/gtest.h>

namespace {

TEST(TrimWhitespace, RemovesOnlyOuterWhiteSpace) {
    EXPECT_EQ(TrimWhitespace(L"  昵称  "), L"昵称");
    EXPECT_EQ(TrimWhitespace(L"\t\r\n 咕噜 兽\v\f "), L"咕噜 兽");
    EXPECT_EQ(TrimWhitespace(L"咕噜兽"), L"咕噜兽");
    EXPECT_EQ(TrimWhitespace(L" \t "), L"");
    EXPECT_EQ(TrimWhitespace(L""), L"");
}

}  // namespace
