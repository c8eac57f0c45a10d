#include "motion/reaction_text.h"

#include <algorithm>

namespace {

constexpr uint64_t kReactionAnimationMs = 1500;

}  // namespace

float ReactionText::Progress(uint64_t now) const {
    const uint64_t elapsed = now > startTick_ ? now - startTick_ : 0;
    return std::min(1.0f, static_cast<float>(elapsed) / kReactionAnimationMs);
}
