#include "ui/notice_slot.h"

bool NoticeSlot::Offer(std::wstring text) {
    if (open_) {
        waiting_ = std::move(text);
        return false;
    }
    open_ = true;
    shown_ = std::move(text);
    return true;
}

std::optional<std::wstring> NoticeSlot::Closed() {
    std::optional<std::wstring> next = std::move(waiting_);
    waiting_.reset();
    if (!next || *next == shown_) {
        open_ = false;
        return std::nullopt;
    }
    shown_ = *next;
    return next;
}
