#pragma once

#include <windows.h>

#include <optional>

// What a released left button meant.
enum class Release { Nothing, Click, DragEnded };

// The left button and the pointer over the pet: a press becomes a drag once the pointer has moved
// 4 pixels either way, a release without a drag is a click, and a double click is neither.
class PointerGestures {
public:
    // The window's rectangle when the button went down at `cursor`.
    void Press(POINT cursor, const RECT& windowRect);
    // Where the window's top-left belongs while dragging; nothing before the threshold.
    std::optional<POINT> Move(POINT cursor, bool buttonDown);
    Release ReleaseButton();
    // A double click, or the capture went elsewhere: the press is over without a gesture.
    void Cancel();
    // True when the caller should start tracking the pointer's leaving.
    bool Enter();
    void Leave() { hovering_ = false; }

    bool pressed() const { return pressed_; }
    bool dragging() const { return dragging_; }
    bool hovering() const { return hovering_; }
    // The pet is held: under the pointer, pressed or dragged.
    bool holding() const { return hovering_ || pressed_ || dragging_; }

private:
    bool hovering_ = false;
    bool pressed_ = false;
    bool dragging_ = false;
    POINT pressPoint_{};
    RECT pressWindowRect_{};
};
