#pragma once

#include "motion/pose.h"

#include <windows.h>

#include <cstdint>
#include <string>

// The card a friend's visit turns the pet window into, as plain values.
struct VisitCardDescription {
    int width = 0;
    int height = 0;
    std::wstring visitorNickname;
    std::wstring ownNickname;  // empty: the pet's default name is shown
    std::wstring actionLabel;
    int artPicture = kPictureNone;
    int ownPicture = kPictureNone;      // facing right, on the left
    int visitorPicture = kPictureNone;  // mirrored, on the right
    std::wstring note;
    uint64_t elapsedMs = 0;
    int secondsLeft = 0;
    bool responded = false;
    // Pixels per 96-DPI unit: the card's layout is in units.
    float scale = 1.0f;
};

// The card's size for a pet of the given size.
SIZE VisitCardSize(int petSize);

// How strongly the action art and the two pets show at a moment of the card: the art alone for
// 2.85 s, the pets fading in over 0.45 s while the art fades out over its last 0.3 s.
struct VisitPhase {
    float artAlpha = 0;
    float pairAlpha = 0;
};
VisitPhase VisitPhaseAt(uint64_t elapsedMs, bool hasArt);
