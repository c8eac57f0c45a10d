#pragma once

#include "core/geometry.h"

#include <cstdint>

// A window whose rectangle holds the whole monitor: a game, a film or a slide show.
bool CoversMonitor(const ScreenRect& window, const ScreenRect& monitor);

// Whether the pet stands aside for a full-screen program in front of it on its monitor. It looks
// a few times a second; hidden while such a window is in front and hiding is on, shown again when
// it goes, when hiding is switched off, or when the user calls for the pet (until that window goes).
class FullScreenWatch {
public:
    enum class Change { None, Hide, Show };

    static constexpr uint64_t kCheckSpacingMs = 250;

    explicit FullScreenWatch(bool enabled = true) : enabled_(enabled) {}

    // True when it is time to look at the foreground again.
    bool Due(uint64_t now);
    // What the look found.
    Change Observe(bool fullScreenInFront);
    Change SetEnabled(bool enabled);
    // The user asked for the pet (from the notification icon).
    Change Summon();

    bool enabled() const { return enabled_; }
    bool hidden() const { return hidden_; }

private:
    Change Settle();

    bool enabled_;
    bool fullScreen_ = false;
    bool summoned_ = false;
    bool hidden_ = false;
    uint64_t nextCheck_ = 0;
};
