#include "app/pet_app.h"

#include <algorithm>

namespace {

constexpr uint64_t kCutInHoldMs = 849;
constexpr float kCutInRise = 0.075f;
constexpr float kCutInFall = 0.022f;

}  // namespace

void PetApp::CutInFadeStep(uint64_t now) {
    if (poseEndTick != 0 && now >= poseEndTick) {
        pose = POSE_NORMAL;
        poseEndTick = 0;
        showAppearanceCutIn = false;
        poseStartTick = now;
        cutInAlpha = 0;
    }
    if (!HasCutIn()) {
        cutInAlpha = 0;
        return;
    }
    const bool holding = now < poseStartTick || now - poseStartTick <= kCutInHoldMs;
    const float target = (hoverTracking || holding) ? 1.0f : 0.0f;
    if (cutInAlpha < target) cutInAlpha = std::min(target, cutInAlpha + kCutInRise);
    if (cutInAlpha > target) cutInAlpha = std::max(target, cutInAlpha - kCutInFall);
}
