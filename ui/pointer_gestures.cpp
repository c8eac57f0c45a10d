#include "ui/pointer_gestures.h"

#include <cstdlib>

namespace {

constexpr int kDragThreshold = 4;

}  // namespace

void PointerGestures::Press(POINT cursor, const RECT& windowRect) {
    pressed_ = true;
    dragging_ = false;
    pressPoint_ = cursor;
    pressWindowRect_ = windowRect;
}

std::optional<POINT> PointerGestures::Move(POINT cursor, bool buttonDown) {
    if (!buttonDown || !pressed_) return std::nullopt;
    const int dx = cursor.x - pressPoint_.x;
    const int dy = cursor.y - pressPoint_.y;
    if (!dragging_ && std::abs(dx) < kDragThreshold && std::abs(dy) < kDragThreshold) return std::nullopt;
    dragging_ = true;
    return POINT{pressWindowRect_.left + dx, pressWindowRect_.top + dy};
}

Release PointerGestures::ReleaseButton() {
    if (!pressed_) return Release::Nothing;
    const bool wasDrag = dragging_;
    pressed_ = false;
    dragging_ = false;
    return wasDrag ? Release::DragEnded : Release::Click;
}

void PointerGestures::Cancel() {
    pressed_ = false;
    dragging_ = false;
}

bool PointerGestures::Enter() {
    if (hovering_) return false;
    hovering_ = true;
    return true;
}
