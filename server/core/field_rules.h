#pragma once

#include "core/json_input.h"
#include "protocol/field_limits.h"
#include "protocol/visit_actions.h"

#include <nlohmann/json_fwd.hpp>

#include <string>
#include <string_view>

namespace mossquill::service {

using protocol::IsReaction;
using protocol::IsVisitAction;
using protocol::kMaxNicknameCharacters;
using protocol::kMaxNoteCharacters;

// A checked text field: value when error is empty, else the text to show.
struct TextField {
    std::string value;
    std::string_view error;
};

// Nickname from a JSON member (null when absent): trimmed, 1..12 characters, no controls.
TextField CheckNickname(const nlohmann::json* member);

// Drift note from a message's member (optional): at most 60 characters, no controls.
TextField CheckNote(const JsonMember& member);

struct AppearanceField {
    int value = 0;
    std::string_view error;
};

// Appearance number: an integer 0..3.
AppearanceField CheckAppearance(const nlohmann::json& member);

// kPairingCodeLength ASCII digits.
bool IsPairCodeFormat(std::string_view code);

}  // namespace mossquill::service
