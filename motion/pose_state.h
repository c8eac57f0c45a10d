#pragma once

#include "motion/pose.h"

#include <cstdint>
#include <functional>

// The pose the pet shows, how long it lasts, and the fade of its cut-in picture: fully shown for
// a moment after the pose starts, then fading out, and back while the pointer is over the pet.
class PoseState {
public:
    // Which pictures exist: a cut-in whose picture is missing is not shown.
    using PictureExists = std::function<bool(int picture)>;
    explicit PoseState(PictureExists pictureExists) : pictureExists_(std::move(pictureExists)) {}

    // A pose for the given seconds (0: until another one replaces it).
    void Show(PoseId pose, int seconds, int appearance, uint64_t now);
    // Back to the normal pose with the appearance's own cut-in, as after choosing an appearance.
    void ShowAppearance(int appearance, uint64_t now);
    // One frame tick: a timed pose ends at its end, and the cut-in fades towards its target.
    void Step(uint64_t now, bool hovering, int appearance);

    PoseId pose() const { return pose_; }
    uint64_t startTick() const { return startTick_; }
    uint64_t endTick() const { return endTick_; }
    bool showsAppearanceCutIn() const { return showAppearanceCutIn_; }
    float cutInAlpha() const { return cutInAlpha_; }
    int BasePicture(int appearance) const { return BasePictureForPose(pose_, appearance); }
    int CutInPicture(int appearance) const;
    // True when the current pose shows a cut-in picture that exists.
    bool HasCutIn(int appearance) const;

private:
    PictureExists pictureExists_;
    PoseId pose_ = POSE_NORMAL;
    uint64_t startTick_ = 0;
    uint64_t endTick_ = 0;
    bool showAppearanceCutIn_ = false;
    float cutInAlpha_ = 0.0f;
};
