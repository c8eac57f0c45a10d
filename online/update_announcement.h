#pragma once

#include <string>

// An announcement pushed by the service: what is new and where to get it.
struct UpdateAnnouncement {
    std::wstring id;
    std::wstring title;
    std::wstring message;
    std::wstring latestVersion;
    std::wstring downloadUrl;

    bool operator==(const UpdateAnnouncement&) const = default;
};
