#pragma once

#include "app/pet_app.h"
#include "support/fake_clock.h"
#include "support/memory_settings_store.h"
#include "support/recording_notices.h"

#include <string>
#include <vector>

// A pet without a window, its settings loaded from memory (put stored values in `store` first), living on a clock the
// test moves.
struct OfflinePet {
    explicit OfflinePet(FakeClock start = FakeClock(2026, 12, 9, 10, 0)) : clock(start) {}

    PetApp& Loaded() {
        app.LoadSettings();
        store.writes.clear();
        return app;
    }
    // Runs clock ticks second by second for the given time, each after a frame tick (which ends
    // timed poses).
    void LiveFor(uint64_t ms) {
        for (uint64_t passed = 0; passed < ms; passed += 1000) {
            clock.Advance(1000);
            app.OnFrameTimer();
            app.OnClockTimer();
        }
    }
    std::vector<std::wstring> Captions() const {
        std::vector<std::wstring> captions;
        for (const auto& notice : notices.shown)
            captions.push_back(notice.caption);
        return captions;
    }

    FakeClock clock;
    MemorySettingsStore store;
    RecordingNotices notices;
    PetApp app{nullptr, clock, store, notices};
};
