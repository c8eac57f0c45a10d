#include "app/pet_app.h"

#include "platform/win32_geometry.h"

FrameDescription PetApp::DescribeFrame() const {
    const uint64_t now = clock_.Now();
    FrameDescription frame;
    if (const auto rect = window_.Rect()) {
        frame.width = rect->right - rect->left;
        frame.height = rect->bottom - rect->top;
    }
    frame.basePicture = pose_.BasePicture(appearance());
    frame.mirrored = movement_.direction() < 0;
    frame.swaying = movement_.Sways(now, pointer_.holding());
    if (frame.swaying) frame.swayPhase = movement_.walkCycle().phase;
    frame.cutInPicture = pose_.CutInPicture(appearance());
    frame.cutInAlpha = pose_.cutInAlpha();
    if (reaction_.Showing(now)) {
        frame.reactionText = reaction_.text();
        frame.reactionProgress = reaction_.Progress(now);
    }
    frame.energy = vitals_.energy();
    frame.opacity = movement_.opacity();
    frame.scale = movement_.scale().factor();
    return frame;
}

void PetApp::RenderFrame() {
    const auto rect = window_.Rect();
    if (!rect) return;
    if (visitShowing_) {
        renderer_.RenderVisitCard(window(), ToWin32(rect->TopLeft()), DescribeVisitCard());
        return;
    }
    renderer_.Render(window(), ToWin32(rect->TopLeft()), DescribeFrame());
}
