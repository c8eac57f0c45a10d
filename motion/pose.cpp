#include "motion/pose.h"

#include <algorithm>

namespace {

struct AppearanceEntry {
    const wchar_t* name;
    int basePicture;
    int cutInPicture;
};

constexpr AppearanceEntry kAppearances[4] = {
    {L"原版咕噜兽（始终可恢复）", PIC_APPEARANCE0_BASE, kPictureNone},
    {L"新手村勇者", PIC_APPEARANCE1_BASE, PIC_APPEARANCE1_CUT_IN},
    {L"见习魔法师", PIC_APPEARANCE2_BASE, PIC_APPEARANCE2_CUT_IN},
    {L"咕噜兽大法师", PIC_APPEARANCE3_BASE, PIC_APPEARANCE3_CUT_IN},
};

}  // namespace

AppearanceId ClampAppearance(int appearance) { return std::clamp(appearance, 0, 3); }

int AppearanceBasePicture(int appearance) { return kAppearances[ClampAppearance(appearance)].basePicture; }

int AppearanceCutInPicture(int appearance) { return kAppearances[ClampAppearance(appearance)].cutInPicture; }

const wchar_t* AppearanceName(int appearance) { return kAppearances[ClampAppearance(appearance)].name; }

int BasePictureForPose(PoseId pose, int appearance) {
    switch (pose) {
    case POSE_SPEECHLESS:
        return PIC_SPEECHLESS;
    case POSE_BEGGING:
        return PIC_BEGGING;
    case POSE_FLYING:
        return PIC_FLYING;
    case POSE_CHEERS:
        return PIC_CHEERS;
    case POSE_DRAGON_WON:
        return PIC_DRAGON_WON;
    case POSE_DRAGON_LOST:
        return PIC_DRAGON_LOST;
    default:
        return AppearanceBasePicture(appearance);
    }
}

int CutInPictureForPose(PoseId pose, int appearance, bool showAppearanceCutIn) {
    switch (pose) {
    case POSE_NORMAL:
        return showAppearanceCutIn ? AppearanceCutInPicture(appearance) : kPictureNone;
    case POSE_CHEERS:
        return PIC_CHEERS_CUT_IN;
    case POSE_DRAGON_WON:
        return PIC_DRAGON_WON_CUT_IN;
    case POSE_DRAGON_LOST:
        return PIC_DRAGON_LOST_CUT_IN;
    case POSE_OFF_WORK:
        return PIC_OFF_WORK_CUT_IN;
    case POSE_SLACKING:
        return PIC_SLACKING_CUT_IN;
    case POSE_LATE_NIGHT:
        return PIC_LATE_NIGHT_CUT_IN;
    default:
        return kPictureNone;
    }
}
