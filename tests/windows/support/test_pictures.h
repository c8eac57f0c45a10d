#pragma once

#include "render/gdiplus_api.h"

#include <cstdint>
#include <functional>
#include <vector>

// PNG bytes of a picture whose every pixel (ARGB) is given by the function.
std::vector<uint8_t> EncodePng(int width, int height, const std::function<ARGB(int x, int y)>& pixel);
