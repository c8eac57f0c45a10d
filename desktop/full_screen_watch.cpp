#include "desktop/full_screen_watch.h"

bool CoversMonitor(const ScreenRect& window, const ScreenRect& monitor) {
    return window.left <= monitor.left && window.top <= monitor.top && window.right >= monitor.right &&
           window.bottom >= monitor.bottom;
}

bool FullScreenWatch::Due(uint64_t now) {
    if (now < nextCheck_) return false;
    nextCheck_ = now + kCheckSpacingMs;
    return true;
}

FullScreenWatch::Change FullScreenWatch::Observe(bool fullScreenInFront) {
    fullScreen_ = fullScreenInFront;
    // A summons lasts until the full-screen window it was made over has gone.
    if (!fullScreen_) summoned_ = false;
    return Settle();
}

FullScreenWatch::Change FullScreenWatch::SetEnabled(bool enabled) {
    enabled_ = enabled;
    return Settle();
}

FullScreenWatch::Change FullScreenWatch::Summon() {
    summoned_ = fullScreen_;
    return Settle();
}

FullScreenWatch::Change FullScreenWatch::Settle() {
    const bool hide = enabled_ && fullScreen_ && !summoned_;
    if (hide == hidden_) return Change::None;
    hidden_ = hide;
    return hide ? Change::Hide : Change::Show;
}
