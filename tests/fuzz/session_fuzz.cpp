// libFuzzer target for what the live session does with one received message: the input, cut
// into parts at places the first byte chooses, is joined by the assembler and read into an event.
// The parts must join to the input, and every event must keep the rules the user interface
// relies on (a sender's nickname, an announcement id, appearances 0..3, a bounded error text).
#include "online/display_text.h"
#include "text/json.h"
#include "online/session_message.h"
#include "online/session_message_assembler.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <variant>

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "broken invariant: %s\n", what);
        std::abort();
    }
}

bool ValidAppearance(std::int32_t appearance) { return appearance >= 0 && appearance <= 3; }

void CheckEvent(const SessionMessage& message, std::string_view text) {
    JsonValue root;
    const bool object = ParseJson(text, root) && root.kind == JsonKind::Object;
    if (!object) Require(std::holds_alternative<std::monostate>(message), "a message that is no object was read");
    if (const auto* connected = std::get_if<ConnectedMessage>(&message)) {
        for (const OnlineFriend& entry : connected->friends) {
            Require(!entry.id.empty() && !entry.nickname.empty(), "a friend without id or nickname");
            Require(ValidAppearance(entry.appearance), "a friend's appearance out of range");
        }
        Require(!connected->announcement || !connected->announcement->id.empty(), "an announcement without id");
    } else if (const auto* visit = std::get_if<IncomingVisit>(&message)) {
        Require(!visit->fromNickname.empty(), "a visit without the sender's nickname");
        Require(ValidAppearance(visit->appearance), "a visitor's appearance out of range");
    } else if (const auto* reaction = std::get_if<IncomingReaction>(&message)) {
        Require(!reaction->fromNickname.empty(), "a reaction without the sender's nickname");
    } else if (const auto* error = std::get_if<ServerErrorMessage>(&message)) {
        Require(!error->text.empty(), "an empty error text");
        Require(error->text.size() <= kMaxDisplayedServiceText + 1, "an unbounded error text");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const unsigned stride = data[0] % 64 + 1;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    SessionMessageAssembler assembler;
    std::optional<std::string> joined;
    for (std::size_t at = 0;; at += stride) {
        const bool final = at + stride >= text.size();
        const auto part = text.substr(at, final ? std::string_view::npos : stride);
        joined = assembler.Add(part, final);
        if (final) break;
        Require(!joined, "a message handed over before its last part");
    }
    Require(joined && *joined == text, "the parts do not join to the message");

    const SessionMessage message = ReadSessionMessage(*joined);
    CheckEvent(message, text);
    Require(ReadSessionMessage(text).index() == message.index(), "reading is not repeatable");
    return 0;
}
