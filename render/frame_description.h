#pragma once

#include "motion/pose.h"

#include <string>

// Everything one frame of the pet shows, as plain values: two equal descriptions draw the same
// pixels, so a frame can be compared with the last one before it is drawn.
struct FrameDescription {
    int width = 0;
    int height = 0;
    // The pet's body, fitted between the margins and bottom-anchored; mirrored while facing left.
    int basePicture = kPictureNone;
    bool mirrored = false;
    // The walking sway at this point of the step cycle.
    bool swaying = false;
    float swayPhase = 0.0f;
    // Drawn over the whole window with its own opacity.
    int cutInPicture = kPictureNone;
    float cutInAlpha = 0.0f;
    // Empty while the pet says nothing; progress 0..1 of its bounce and fade.
    std::wstring reactionText;
    float reactionProgress = 0.0f;
    int energy = 100;
    // The window's constant opacity (dashes fade it).
    float opacity = 1.0f;
    // Pixels per 96-DPI unit: the badge and the phrase keep their look at every display scale.
    float scale = 1.0f;

    bool operator==(const FrameDescription&) const = default;
};
