#pragma once

// Works the settings centre of the running pet from a second process, through its controls.
#include "pet_driver.h"

#include <optional>
#include <string>

namespace driver {

// Opens "设置中心…" from the context menu at `at`; the settings window, or null.
HWND OpenSettingsCentre(DWORD processId, POINT at);

// The text a control shows; for a drop-down list, its selected item.
std::wstring ControlText(HWND dialog, int id);
bool IsTicked(HWND dialog, int id);
void SetControlText(HWND dialog, int id, const std::wstring& text);
// Clicks the control; posted, so a click that opens a box does not block the caller.
void ClickControl(HWND dialog, int id);

// A string value under a key of the current user.
std::optional<std::wstring> ReadUserString(const wchar_t* key, const wchar_t* name);

}  // namespace driver
