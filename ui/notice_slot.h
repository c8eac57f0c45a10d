// The one message box for texts the service sends: its box's own message loop goes on handling
// the pet's messages, so a text arriving meanwhile must wait rather than open a box on top.
#pragma once

#include <optional>
#include <string>

class NoticeSlot {
public:
    // True when the text is to be shown now; while a box is up it is kept, the latest one only.
    bool Offer(std::wstring text);
    // The box has closed: the text to show next (never the one just shown again), or nothing,
    // which frees the slot.
    std::optional<std::wstring> Closed();

private:
    bool open_ = false;
    std::wstring shown_;
    std::optional<std::wstring> waiting_;
};
