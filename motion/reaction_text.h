#pragma once

#include <cstdint>
#include <string>

// A short text the pet says above its head for a while, with a heart rising beside it.
class ReactionText {
public:
    void Show(std::wstring text, uint64_t now, uint64_t durationMs) {
        text_ = std::move(text);
        startTick_ = now;
        endTick_ = now + durationMs;
    }
    bool Showing(uint64_t now) const { return now < endTick_; }
    // How far the 1.5-second bounce and fade have come, 0..1.
    float Progress(uint64_t now) const;

    const std::wstring& text() const { return text_; }
    uint64_t endTick() const { return endTick_; }

private:
    std::wstring text_;
    uint64_t startTick_ = 0;
    uint64_t endTick_ = 0;
};
