#pragma once

#include "ui/notices.h"
#include "core/settings_store.h"
#include "online/update_announcement.h"

#include <windows.h>

#include <string>

extern const wchar_t kUsageHelpText[];

// The announcement the notice shows: the received one, or this version's own while none arrived.
UpdateAnnouncement AnnouncementToShow(const UpdateAnnouncement& received);
std::wstring UpdateNoticeText(const UpdateAnnouncement& shown, bool offersDownload);
// Only web addresses are opened: a download link must never start a program or open a file.
bool IsWebAddress(const std::wstring& url);

// The update notice: the announcement received last and whether the user has yet to see it.
class UpdateNotice {
public:
    void Receive(UpdateAnnouncement announcement, bool unseen) {
        announcement_ = std::move(announcement);
        pending_ = unseen;
    }
    bool pending() const { return pending_; }
    // Shows the announcement, marks it seen and opens its download page when the user asks to.
    void Show(HWND owner, Notices& notices, SettingsStore& settings);

private:
    UpdateAnnouncement announcement_;
    bool pending_ = false;
};
