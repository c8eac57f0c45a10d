#include "desktop/deferred_boxes.h"

#include <algorithm>
#include <utility>

void DeferredBoxes::Hold(PendingBox box) {
    if (std::find(held_.begin(), held_.end(), box) == held_.end()) held_.push_back(std::move(box));
}

std::vector<PendingBox> DeferredBoxes::Release() { return std::exchange(held_, {}); }
