#include "core/field_rules.h"

#include "core/texts.h"
#include "core/utf8_text.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>

namespace mossquill::service {
TextField CheckNickname(const nlohmann::json* member) {
    if (member == nullptr || !member->is_string()) {
        return {{}, texts::kNicknameMissing};
    }
    // The parser has already refused invalid UTF-8.
    const std::string_view trimmed = TrimSpaces(member->get_ref<const std::string&>());
    if (trimmed.empty()) {
        return {{}, texts::kNicknameEmpty};
    }
    if (HasControlCharacter(trimmed)) {
        return {{}, texts::kNicknameControl};
    }
    if (CodePointCount(trimmed) > kMaxNicknameCharacters) {
        return {{}, texts::kNicknameTooLong};
    }
    return {std::string(trimmed), {}};
}

TextField CheckNote(const JsonMember& member) {
    if (!member.present) {
        return {};
    }
    if (!member.isString) {
        return {{}, texts::kNoteInvalid};
    }
    const std::string& note = member.text;
    if (HasControlCharacter(note)) {
        return {{}, texts::kNoteControl};
    }
    if (CodePointCount(note) > kMaxNoteCharacters) {
        return {{}, texts::kNoteTooLong};
    }
    return {note, {}};
}

AppearanceField CheckAppearance(const nlohmann::json& member) {
    if (member.is_number_integer()) {
        const auto value = member.get<long long>();
        if (value >= 0 && value <= protocol::kMaxAppearance) {
            return {static_cast<int>(value), {}};
        }
    } else if (member.is_number_float()) {
        const double value = member.get<double>();
        if (value >= 0 && value <= protocol::kMaxAppearance && std::trunc(value) == value) {
            return {static_cast<int>(value), {}};
        }
    }
    return {0, texts::kAppearanceInvalid};
}

bool IsPairCodeFormat(std::string_view code) {
    return code.size() == protocol::kPairingCodeLength &&
           std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace mossquill::service
