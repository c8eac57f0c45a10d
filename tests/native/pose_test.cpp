#include "core/picture_ids.h"
#include "motion/pose_state.h"

#include <gtest/gtest.h>

namespace {

TEST(PoseState, CutInFadesAfterTheHoldAndReturnsUnderThePointer) {
    // Of the cut-ins only the slacking one exists.
    PoseState pose([](int picture) { return picture == PIC_SLACKING_CUT_IN; });
    const uint64_t start = 1'000'000;
    pose.Show(POSE_SLACKING, 10, 0, start);
    EXPECT_FLOAT_EQ(pose.cutInAlpha(), 1.0f);

    uint64_t now = start;
    int ticksAtFull = 0;
    while (pose.Step(now += 40, false, 0), pose.cutInAlpha() == 1.0f)
        ++ticksAtFull;
    EXPECT_EQ(ticksAtFull, 21);  // held for 0.84..0.88 s
    int fadeTicks = 1;           // the tick that left the loop above
    while (pose.cutInAlpha() > 0.0f) {
        pose.Step(now += 40, false, 0);
        ++fadeTicks;
    }
    EXPECT_EQ(fadeTicks, 46);

    int riseTicks = 0;
    while (pose.cutInAlpha() < 1.0f) {
        pose.Step(now += 40, true, 0);
        ++riseTicks;
    }
    EXPECT_EQ(riseTicks, 14);
    pose.Step(now += 40, true, 0);
    EXPECT_FLOAT_EQ(pose.cutInAlpha(), 1.0f);  // kept while the pointer stays

    // The timed pose ends on the first tick at its end.
    pose.Step(start + 10000, true, 0);
    EXPECT_EQ(pose.pose(), POSE_NORMAL);
    EXPECT_EQ(pose.endTick(), 0u);
    EXPECT_FLOAT_EQ(pose.cutInAlpha(), 0.0f);

    // A pose whose cut-in picture is missing shows none.
    pose.Show(POSE_CHEERS, 0, 0, now);
    EXPECT_FLOAT_EQ(pose.cutInAlpha(), 0.0f);
}

}  // namespace
