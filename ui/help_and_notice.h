#pragma once

#include "online/update_announcement.h"

#include <string>

extern const wchar_t kUsageHelpText[];

// The announcement the notice shows: the received one, or this version's own while none arrived.
UpdateAnnouncement AnnouncementToShow(const UpdateAnnouncement& received);
std::wstring UpdateNoticeText(const UpdateAnnouncement& shown, bool offersDownload);
// Only web addresses are opened: a download link must never start a program or open a file.
bool IsWebAddress(const std::wstring& url);
