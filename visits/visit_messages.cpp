#include "visits/visit_messages.h"

#include "text/json.h"
#include "text/wide_text.h"
#include "visits/visit_actions.h"

#include "protocol/message_types.h"

#include <string_view>

namespace {

namespace message = mossquill::protocol::message;

std::string Escaped(std::wstring_view text) { return EscapeJsonUtf8(WideToUtf8(text)); }

std::string Quoted(std::string_view text) { return '"' + EscapeJsonUtf8(text) + '"'; }

}  // namespace

std::string VisitMessage(const std::wstring& friendId, int actionIndex, const std::wstring& note) {
    const VisitAction* action = VisitActionAt(actionIndex);
    if (!action) return {};
    std::string text = R"({"type":)" + Quoted(message::kAction) + R"(,"to":")" + Escaped(friendId) + R"(","action":)" +
                       Quoted(action->legacyId);
    if (action->id != action->legacyId) text += R"(,"action_v2":)" + Quoted(action->id);
    if (!note.empty()) text += R"(,"text":")" + Escaped(note) + '"';
    return text + '}';
}

std::string ReactionMessage(const std::wstring& toId, const std::wstring& reaction) {
    return R"({"type":)" + Quoted(message::kReaction) + R"(,"to":")" + Escaped(toId) + R"(","reaction":")" +
           Escaped(reaction) + R"("})";
}
