#include "motion/pose_state.h"

#include <algorithm>

namespace {

constexpr uint64_t kCutInHoldMs = 849;
constexpr float kCutInRise = 0.075f;
constexpr float kCutInFall = 0.022f;

}  // namespace

void PoseState::Show(PoseId pose, int seconds, int appearance, uint64_t now) {
    pose_ = pose;
    startTick_ = now;
    endTick_ = seconds > 0 ? now + static_cast<uint64_t>(seconds) * 1000 : 0;
    showAppearanceCutIn_ = false;
    cutInAlpha_ = HasCutIn(appearance) ? 1.0f : 0.0f;
}

void PoseState::ShowAppearance(int appearance, uint64_t now) {
    pose_ = POSE_NORMAL;
    startTick_ = now;
    endTick_ = 0;
    showAppearanceCutIn_ = appearance > 0;
    cutInAlpha_ = HasCutIn(appearance) ? 1.0f : 0.0f;
}

void PoseState::Step(uint64_t now, bool hovering, int appearance) {
    if (endTick_ != 0 && now >= endTick_) {
        pose_ = POSE_NORMAL;
        endTick_ = 0;
        showAppearanceCutIn_ = false;
        startTick_ = now;
        cutInAlpha_ = 0;
    }
    if (!HasCutIn(appearance)) {
        cutInAlpha_ = 0;
        return;
    }
    const bool holding = now < startTick_ || now - startTick_ <= kCutInHoldMs;
    const float target = (hovering || holding) ? 1.0f : 0.0f;
    if (cutInAlpha_ < target) cutInAlpha_ = std::min(target, cutInAlpha_ + kCutInRise);
    if (cutInAlpha_ > target) cutInAlpha_ = std::max(target, cutInAlpha_ - kCutInFall);
}

int PoseState::CutInPicture(int appearance) const {
    return CutInPictureForPose(pose_, appearance, showAppearanceCutIn_);
}

bool PoseState::HasCutIn(int appearance) const { return pictureExists_(CutInPicture(appearance)); }
