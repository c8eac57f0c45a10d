#include "app/pet_app.h"

void PetApp::ShowPose(PoseId newPose, int seconds) {
    pose = newPose;
    poseStartTick = clock.Now();
    poseEndTick = seconds > 0 ? poseStartTick + static_cast<uint64_t>(seconds) * 1000 : 0;
    showAppearanceCutIn = false;
    cutInAlpha = HasCutIn() ? 1.0f : 0.0f;
    RenderFrame();
}

void PetApp::ShowReactionText(const std::wstring& text, uint64_t durationMs) {
    reactionTextValue = text;
    reactionStartTick = clock.Now();
    reactionEndTick = reactionStartTick + durationMs;
    RenderFrame();
}
