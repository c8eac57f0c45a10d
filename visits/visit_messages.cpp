#include "visits/visit_messages.h"

#include "text/json.h"
#include "text/wide_text.h"
#include "visits/visit_actions.h"

#include <string_view>

namespace {

std::string Escaped(std::wstring_view text) { return EscapeJsonUtf8(WideToUtf8(text)); }

}  // namespace

std::string VisitMessage(const std::wstring& friendId, int actionIndex, const std::wstring& note) {
    const VisitAction* action = VisitActionAt(actionIndex);
    if (!action) return {};
    std::string message = R"({"type":"action","to":")" + Escaped(friendId) + R"(","action":")" +
                          Escaped(action->legacyId) + '"';
    if (std::wstring_view(action->id) != action->legacyId) {
        message += R"(,"action_v2":")" + Escaped(action->id) + '"';
    }
    if (!note.empty()) message += R"(,"text":")" + Escaped(note) + '"';
    return message + '}';
}

std::string ReactionMessage(const std::wstring& toId, const std::wstring& reaction) {
    return R"({"type":"reaction","to":")" + Escaped(toId) + R"(","reaction":")" + Escaped(reaction) + R"("})";
}
