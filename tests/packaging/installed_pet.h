#pragma once

// What the installer leaves on a machine, looked at from a Windows process: files, the Start-menu shortcut,
// the "Apps" entry, the start-up entry and the pet's own key; and the installer's wizard, driven by its buttons.
#include "pet_driver.h"

#include <windows.h>

#include <optional>
#include <string>

namespace installed {

inline constexpr wchar_t kPetWindowClass[] = L"MossquillDesktopPetWindowV5";

struct InstallPaths {
    std::wstring directory;
    std::wstring program;
    std::wstring uninstaller;
    std::wstring shortcut;
};

// Where a per-user installation of the current user belongs.
InstallPaths ExpectedPaths();

std::wstring EnvironmentPath(const wchar_t* variable);
std::string Narrow(const std::wstring& text);

bool FileExists(const std::wstring& path);
unsigned long long FileSize(const std::wstring& path);
bool WaitUntilGone(const std::wstring& path, driver::Timeout timeout);
// The program a .lnk file starts, or an empty string when it cannot be read.
std::wstring ShortcutTarget(const std::wstring& shortcut);

// Runs a command line and waits for it; nothing when it could not start or did not end in time.
std::optional<DWORD> RunAndWait(std::wstring commandLine, driver::Timeout timeout);

std::optional<std::wstring> ReadUninstallString(const wchar_t* name);
std::optional<DWORD> ReadUninstallDword(const wchar_t* name);
std::optional<std::wstring> ReadRunEntry();
void WriteRunEntry(const std::wstring& command);
void DeleteRunEntry();
std::optional<std::wstring> ReadStateString(const wchar_t* name);
void WriteStateString(const wchar_t* name, const std::wstring& value);

// A pet that some other process started, found by its window.
class RunningPet {
public:
    RunningPet() = default;
    RunningPet(HWND window, HANDLE process) : window(window), process_(process) {}
    RunningPet(RunningPet&& other) noexcept : window(other.window), process_(other.process_) {
        other.process_ = nullptr;
    }
    RunningPet& operator=(RunningPet&&) = delete;
    ~RunningPet();

    std::optional<DWORD> WaitForExit(driver::Timeout timeout);

    HWND window = nullptr;

private:
    HANDLE process_ = nullptr;
};

RunningPet WaitForRunningPet(driver::Timeout timeout);

// An installer or uninstaller window, whatever process shows it.
class WizardWindow {
public:
    explicit WizardWindow(HWND window) : window(window) {}
    // Clicks the button that leads on ("下一步", "卸载", "完成").
    bool Next() const;
    // A visible control anywhere in the window with exactly that text.
    HWND WaitForControl(const std::wstring& text, driver::Timeout timeout) const;

    HWND window;
};

WizardWindow WaitForWizard(const std::wstring& titlePart, driver::Timeout timeout);

}  // namespace installed
