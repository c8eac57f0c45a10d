#include "json_number.h"

#include <charconv>
#include <cstdint>
#include <system_error>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// For a token whose conversion was out of range: whether its magnitude is at least 1, which
// then means overflow; below 1 it can only have underflowed. Works on the decimal exponent of
// the first significant digit, so the size of the digit strings does not matter.
bool MagnitudeAtLeastOne(std::string_view token) {
    constexpr std::int64_t kExponentCap = 1'000'000'000;  // far beyond any double, no overflow
    std::size_t pos = (token.front() == '-') ? 1 : 0;
    std::int64_t leadExponent = 0;
    bool significant = false;
    const std::size_t intStart = pos;
    while (pos < token.size() && IsDigit(token[pos]))
        ++pos;
    if (token[intStart] != '0') {
        leadExponent = static_cast<std::int64_t>(pos - intStart) - 1;
        significant = true;
    }
    if (pos < token.size() && token[pos] == '.') {
        const std::size_t fracStart = ++pos;
        for (; pos < token.size() && IsDigit(token[pos]); ++pos) {
            if (!significant && token[pos] != '0') {
                leadExponent = -static_cast<std::int64_t>(pos - fracStart) - 1;
                significant = true;
            }
        }
    }
    if (!significant) return false;
    std::int64_t exponent = 0;
    if (pos < token.size()) {  // 'e' or 'E'
        ++pos;
        const bool negative = token[pos] == '-';
        if (token[pos] == '-' || token[pos] == '+') ++pos;
        for (; pos < token.size(); ++pos) {
            if (exponent < kExponentCap) exponent = exponent * 10 + (token[pos] - '0');
        }
        if (negative) exponent = -exponent;
    }
    return leadExponent + exponent >= 0;
}

}  // namespace

bool ConvertJsonNumber(std::string_view token, double& value) {
    const char* first = token.data();
    const char* last = first + token.size();
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        if (MagnitudeAtLeastOne(token)) return false;
        value = (token.front() == '-') ? -0.0 : 0.0;
        return true;
    }
    return error == std::errc{} && end == last;
}
