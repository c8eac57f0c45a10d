#include "online/session_message_assembler.h"

#include <utility>

std::optional<std::string> SessionMessageAssembler::Add(std::string_view part, bool final) {
    if (!oversized_ && part.size() > kMaxSessionMessageBytes - text_.size()) {
        oversized_ = true;
        std::string().swap(text_);
    }
    if (!oversized_) text_.append(part);
    if (!final) return std::nullopt;
    const bool dropped = std::exchange(oversized_, false);
    std::string message = std::exchange(text_, std::string());
    if (dropped) return std::nullopt;
    return message;
}
