#pragma once

#include "render/draw_image_fitted.h"
#include "render/frame_description.h"

// How the pet's body is squashed, tilted and lifted in a frame by the walking sway and the
// reaction wiggle.
struct FrameMotion {
    float scaleX = 1;
    float scaleY = 1;
    float rotation = 0;  // degrees, about the window centre
    float offsetY = 0;
};

FrameMotion MotionOf(const FrameDescription& frame, float h);
float FrameMargin(float w);
// The box the body is fitted into: between the margins, scaled by the motion, feet on the line.
BoxF BodyBox(const FrameMotion& motion, float w, float h);
