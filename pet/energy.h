#pragma once

#include <cstdint>

// The dragon's verdict for one challenge: a fresh engine from the seed, one even 0/1 draw.
bool DragonChallengeWon(uint32_t seed);
