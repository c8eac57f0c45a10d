#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A message box the pet opens by itself (a reminder, a status of the live session).
struct PendingBox {
    std::wstring text;
    std::wstring caption;
    // The message box flags.
    uint32_t flags = 0;
    bool operator==(const PendingBox&) const = default;
};

// The boxes held back while the pet is out of the way, in the order they came; the same box twice
// is shown once.
class DeferredBoxes {
public:
    void Hold(PendingBox box);
    // Every held box, oldest first; none are held afterwards.
    std::vector<PendingBox> Release();

private:
    std::vector<PendingBox> held_;
};
