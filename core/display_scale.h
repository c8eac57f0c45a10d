#pragma once

// A display's scale: sizes are laid out in units of a 96-DPI display and drawn at units × dpi / 96
// pixels, so a window keeps its look on a display of any scale while stored values stay in units.
class DisplayScale {
public:
    static constexpr int kBaseDpi = 96;

    constexpr DisplayScale() = default;
    // A DPI the system could not tell (0) counts as the base one.
    constexpr explicit DisplayScale(int dpi) : dpi_(dpi > 0 ? dpi : kBaseDpi) {}

    constexpr int dpi() const { return dpi_; }
    constexpr float factor() const { return static_cast<float>(dpi_) / kBaseDpi; }
    // Rounded to the nearest pixel, halves away from zero (font heights are negative).
    constexpr int Pixels(int units) const {
        const long long scaled = static_cast<long long>(units) * dpi_;
        return static_cast<int>(scaled >= 0 ? (scaled + kBaseDpi / 2) / kBaseDpi : (scaled - kBaseDpi / 2) / kBaseDpi);
    }

    constexpr bool operator==(const DisplayScale&) const = default;

private:
    int dpi_ = kBaseDpi;
};
