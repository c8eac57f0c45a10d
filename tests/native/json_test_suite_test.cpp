// Runs the reader over every parsing case of the JSONTestSuite collection: files starting with
// y_ must be accepted, n_ rejected, and for the i_ files (left to the parser) our verdict is
// pinned down. Where our rules deliberately differ from the collection, the case is listed below.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "text/json.h"

namespace {

namespace fs = std::filesystem;

const fs::path kParsingDir = fs::path(MOSSQUILL_JSON_TEST_SUITE_DIR) / "test_parsing";

// n_ files that our rules accept on purpose.
const std::set<std::string> kAcceptedDespiteN = {
    "n_structure_whitespace_formfeed.json",  // form feed (like vertical tab) is white space to us
};

// y_ files that our rules reject on purpose: none.
const std::set<std::string> kRejectedDespiteY = {};

// i_ files that our reader accepts; every other i_ file is rejected (numbers beyond the range
// of a double, a high surrogate without its pair, a byte-order mark, UTF-16 text, nesting
// deeper than our limit).
const std::set<std::string> kAcceptedI = {
    // Too small for a double: rounds to zero.
    "i_number_double_huge_neg_exp.json",
    "i_number_real_underflow.json",
    // Integers beyond 64 bits but well within the range of a double.
    "i_number_too_big_neg_int.json",
    "i_number_too_big_pos_int.json",
    "i_number_very_big_negative_int.json",
    // A lone low surrogate escape is kept as its 3-byte form.
    "i_object_key_lone_2nd_surrogate.json",
    "i_string_incomplete_surrogate_pair.json",
    "i_string_lone_second_surrogate.json",
    // Raw bytes inside strings are copied unvalidated; the UTF-16 conversion rejects them later.
    "i_string_UTF-8_invalid_sequence.json",
    "i_string_UTF8_surrogate_U+D800.json",
    "i_string_invalid_utf-8.json",
    "i_string_iso_latin_1.json",
    "i_string_lone_utf8_continuation_byte.json",
    "i_string_not_in_unicode_range.json",
    "i_string_overlong_sequence_2_bytes.json",
    "i_string_overlong_sequence_6_bytes.json",
    "i_string_overlong_sequence_6_bytes_null.json",
    "i_string_truncated-utf-8.json",
};

std::vector<std::string> CaseNames() {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(kParsingDir, error)) {
        if (entry.path().extension() == ".json") names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool ExpectedVerdict(const std::string& name) {
    switch (name.front()) {
    case 'y':
        return !kRejectedDespiteY.contains(name);
    case 'n':
        return kAcceptedDespiteN.contains(name);
    default:
        return kAcceptedI.contains(name);
    }
}

// Test names allow only letters, digits and '_': other bytes are spelled as hex.
std::string TestName(const testing::TestParamInfo<std::string>& info) {
    std::string name;
    for (const char c : info.param.substr(0, info.param.size() - 5)) {
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') {
            name += c;
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "_%02x", static_cast<unsigned char>(c));
            name += hex;
        }
    }
    return name;
}

class JsonTestSuite : public testing::TestWithParam<std::string> {};

TEST_P(JsonTestSuite, VerdictMatches) {
    const std::string& name = GetParam();
    const std::string text = ReadBytes(kParsingDir / name);
    ASSERT_FALSE(text.empty() && fs::file_size(kParsingDir / name) != 0) << "unreadable: " << name;
    JsonValue value;
    EXPECT_EQ(ParseJson(text, value), ExpectedVerdict(name));
}

INSTANTIATE_TEST_SUITE_P(Files, JsonTestSuite, testing::ValuesIn(CaseNames()), TestName);

TEST(JsonTestSuiteFiles, CollectionAndExceptionListsAgree) {
    const std::vector<std::string> names = CaseNames();
    EXPECT_GE(names.size(), 300u) << "collection missing under " << kParsingDir;
    const std::set<std::string> present(names.begin(), names.end());
    for (const auto* list : {&kAcceptedDespiteN, &kRejectedDespiteY, &kAcceptedI}) {
        for (const std::string& name : *list)
            EXPECT_TRUE(present.contains(name)) << name;
    }
}

}  // namespace
