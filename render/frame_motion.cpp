#include "render/frame_motion.h"

#include <algorithm>
#include <cmath>
#include <numbers>

FrameMotion MotionOf(const FrameDescription& frame, float h) {
    constexpr float kPi = std::numbers::pi_v<float>;
    FrameMotion motion;
    if (frame.swaying) {
        const float s = std::sin(frame.swayPhase);
        const float a = std::fabs(s);
        motion.scaleX = 1 + 0.035f * (1 - a);
        motion.scaleY = 1 - 0.028f * (1 - a);
        motion.rotation = 2.8f * s * (frame.mirrored ? -1.0f : 1.0f);
        motion.offsetY = -0.035f * a * h;
    }
    if (!frame.reactionText.empty()) {
        const float t = frame.reactionProgress;
        const float s1 = std::sin(kPi * t);
        const float s6 = std::sin(6 * kPi * t);
        motion.scaleX += 0.045f * s1;
        motion.scaleY -= 0.025f * s1;
        motion.rotation += 2.3f * (1 - t) * s6;
        motion.offsetY -= 0.025f * s1 * h;
    }
    return motion;
}

float FrameMargin(float w) { return std::max(8.0f, 0.05f * w); }

BoxF BodyBox(const FrameMotion& motion, float w, float h) {
    const float margin = FrameMargin(w);
    const float boxWidth = (w - 2 * margin) * motion.scaleX;
    const float boxHeight = (h - 2 * margin) * motion.scaleY;
    return BoxF{(w - boxWidth) / 2, (h - margin) + motion.offsetY - boxHeight, boxWidth, boxHeight};
}
