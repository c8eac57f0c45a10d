#pragma once

#include "core/picture_ids.h"

using AppearanceId = int;

enum PoseId : int {
    POSE_NORMAL = 0,
    POSE_SPEECHLESS = 1,
    POSE_BEGGING = 2,
    POSE_FLYING = 3,
    POSE_CHEERS = 4,
    POSE_DRAGON_WON = 5,
    POSE_DRAGON_LOST = 6,
    POSE_OFF_WORK = 7,
    POSE_SLACKING = 8,
    POSE_LATE_NIGHT = 9,
};

inline constexpr int kPictureNone = 0;

AppearanceId ClampAppearance(int appearance);
int AppearanceBasePicture(int appearance);
// kPictureNone for appearance 0.
int AppearanceCutInPicture(int appearance);
// The menu and level-up name of an appearance.
const wchar_t* AppearanceName(int appearance);

// The picture drawn as the pet's body for a pose: the pose's own for 1..6, else the appearance's.
int BasePictureForPose(PoseId pose, int appearance);
// The picture drawn over the whole window for a pose, or kPictureNone.
int CutInPictureForPose(PoseId pose, int appearance, bool showAppearanceCutIn);
