#pragma once

#include "render/premultiplied_image.h"

#include <optional>
#include <string>
#include <tuple>

// The parts of a visit card that stay the same from one frame to the next, drawn with GDI+ once
// and kept while their size and texts stay: the card with its title, the two names with the
// drift note, and the footer (which changes once a second).
class VisitCardLayers {
public:
    // Pixels per 96-DPI unit of the card's layout; a change drops every kept layer.
    void UseScale(float scale);
    const PremultipliedImage& Backdrop(int width, int height, const std::wstring& title);
    const PremultipliedImage& Names(int width, int height, const std::wstring& ownName, const std::wstring& visitorName,
                                    const std::wstring& note);
    const PremultipliedImage& Footer(int width, int height, const std::wstring& text);

private:
    template <typename Key>
    struct Kept {
        std::optional<Key> key;
        PremultipliedImage image;
    };
    using SizedText = std::tuple<int, int, std::wstring>;

    Kept<SizedText> backdrop_;
    Kept<std::tuple<int, int, std::wstring, std::wstring, std::wstring>> names_;
    Kept<SizedText> footer_;
    float scale_ = 1.0f;
};
