#pragma once

// Drives the real pet from a second Windows process: starts it, finds its windows, reads and
// answers its message boxes, reads its settings and sends it mouse and keyboard input.
#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace driver {

using namespace std::chrono_literals;
using Timeout = std::chrono::milliseconds;

// A started program; terminated when the object goes away while it still runs.
class PetProcess {
public:
    explicit PetProcess(const std::wstring& exePath);
    PetProcess(const PetProcess&) = delete;
    PetProcess& operator=(const PetProcess&) = delete;
    ~PetProcess();

    bool started() const { return process_ != nullptr; }
    DWORD id() const { return id_; }
    bool IsRunning() const;
    // The exit code, or nothing when the program is still running after the timeout.
    std::optional<DWORD> WaitForExit(Timeout timeout);

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// A visible top-level window of the process with that class (and title, when given).
HWND WaitForWindow(DWORD processId, const wchar_t* windowClass, const wchar_t* title, Timeout timeout);

struct DialogButton {
    int id;
    std::wstring text;
};

struct MessageBoxContent {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;
    std::vector<DialogButton> buttons;
};

std::optional<MessageBoxContent> WaitForMessageBox(DWORD processId, Timeout timeout);
// Clicks the button with that id, which makes MessageBoxW return it.
bool PressButton(HWND dialog, int buttonId);
// True once the window is gone (or hidden) within the timeout.
bool WaitUntilClosed(HWND window, Timeout timeout);

RECT WindowRect(HWND window);
DWORD ExtendedStyle(HWND window);
std::wstring ClassName(HWND window);
std::wstring WindowTitle(HWND window);
RECT PrimaryWorkArea();

// A DWORD value under a key of the current user.
std::optional<DWORD> ReadUserDword(const wchar_t* key, const wchar_t* name);
// Values under the pet's settings key of the current user.
std::optional<DWORD> ReadSetting(const wchar_t* name);
void WriteSetting(const wchar_t* name, DWORD value);
// Removes the whole settings key, as on a machine the pet never ran on.
void ClearSettings();

// What the screen shows in a rectangle, as 0x00RRGGBB pixels row by row.
std::vector<uint32_t> CaptureScreen(const RECT& area);

// Pointer and keys through SendInput (screen coordinates).
void MoveMouse(POINT screen);
void LeftDown();
void LeftUp();
void ClickAt(POINT screen);
void DoubleClickAt(POINT screen);
void RightClickAt(POINT screen);
void PressKey(WORD virtualKey);

}  // namespace driver
