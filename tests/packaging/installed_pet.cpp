#include "installed_pet.h"

#include "platform/registry_settings_store.h"
#include "support/poll_until.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <thread>

namespace installed {

namespace {

using namespace std::chrono_literals;

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\MossquillDesktopPet";
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"MossquillDesktopPet";

std::wstring KnownFolder(REFKNOWNFOLDERID folder) {
    PWSTR path = nullptr;
    std::wstring result;
    if (SUCCEEDED(SHGetKnownFolderPath(folder, 0, nullptr, &path))) result = path;
    CoTaskMemFree(path);
    return result;
}

std::optional<std::wstring> ReadString(const wchar_t* key, const wchar_t* name) {
    DWORD bytes = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::wstring value(bytes / sizeof(wchar_t), L'\0');
    if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, value.data(), &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.resize(wcslen(value.c_str()));
    return value;
}

void WriteString(const wchar_t* key, const wchar_t* name, const std::wstring& value) {
    RegSetKeyValueW(HKEY_CURRENT_USER, key, name, REG_SZ, value.c_str(),
                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

struct ControlQuery {
    const std::wstring* text;
    HWND found;
};

BOOL CALLBACK MatchControl(HWND child, LPARAM param) {
    auto* query = reinterpret_cast<ControlQuery*>(param);
    if (IsWindowVisible(child) && driver::WindowTitle(child) == *query->text) {
        query->found = child;
        return FALSE;
    }
    return TRUE;
}

struct WizardQuery {
    const std::wstring* titlePart;
    HWND found;
};

BOOL CALLBACK MatchWizard(HWND window, LPARAM param) {
    auto* query = reinterpret_cast<WizardQuery*>(param);
    if (IsWindowVisible(window) && driver::ClassName(window) == L"#32770" &&
        driver::WindowTitle(window).find(*query->titlePart) != std::wstring::npos) {
        query->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

InstallPaths ExpectedPaths() {
    InstallPaths paths;
    paths.directory = KnownFolder(FOLDERID_LocalAppData) + L"\\Programs\\MossquillDesktopPet";
    paths.program = paths.directory + L"\\MossquillDesktopPet.exe";
    paths.uninstaller = paths.directory + L"\\uninstall.exe";
    paths.shortcut = KnownFolder(FOLDERID_Programs) + L"\\咕噜兽.lnk";
    return paths;
}

std::wstring EnvironmentPath(const wchar_t* variable) {
    wchar_t path[MAX_PATH] = {};
    GetEnvironmentVariableW(variable, path, MAX_PATH);
    return path;
}

std::string Narrow(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size > 0 ? size : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, result.data(), size, nullptr, nullptr);
    result.resize(strlen(result.c_str()));
    return result;
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

unsigned long long FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool WaitUntilGone(const std::wstring& path, driver::Timeout timeout) {
    return PollUntil(timeout, [&] { return !FileExists(path); });
}

std::wstring ShortcutTarget(const std::wstring& shortcut) {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::wstring target;
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_PPV_ARGS(&file)))) {
            wchar_t path[MAX_PATH] = {};
            if (SUCCEEDED(file->Load(shortcut.c_str(), STGM_READ)) &&
                SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0))) {
                target = path;
            }
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return target;
}

std::optional<DWORD> RunAndWait(std::wstring commandLine, driver::Timeout timeout) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return std::nullopt;
    }
    CloseHandle(info.hThread);
    std::optional<DWORD> result;
    if (WaitForSingleObject(info.hProcess, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0) {
        DWORD code = 0;
        GetExitCodeProcess(info.hProcess, &code);
        result = code;
    }
    CloseHandle(info.hProcess);
    return result;
}

std::optional<std::wstring> ReadUninstallString(const wchar_t* name) { return ReadString(kUninstallKey, name); }

std::optional<DWORD> ReadUninstallDword(const wchar_t* name) { return driver::ReadUserDword(kUninstallKey, name); }

std::optional<std::wstring> ReadRunEntry() { return ReadString(kRunKey, kRunValue); }
void WriteRunEntry(const std::wstring& command) { WriteString(kRunKey, kRunValue, command); }
void DeleteRunEntry() { RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, kRunValue); }
std::optional<std::wstring> ReadStateString(const wchar_t* name) { return ReadString(kSettingsKeyPath, name); }
void WriteStateString(const wchar_t* name, const std::wstring& value) { WriteString(kSettingsKeyPath, name, value); }

RunningPet::~RunningPet() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

std::optional<DWORD> RunningPet::WaitForExit(driver::Timeout timeout) {
    if (!process_ || WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

RunningPet WaitForRunningPet(driver::Timeout timeout) {
    HWND window = PollUntil(timeout, [] { return FindWindowW(kPetWindowClass, nullptr); });
    if (!window) return {};
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return RunningPet(
        window, OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, processId));
}

bool WizardWindow::Next() const {
    HWND button = GetDlgItem(window, IDOK);
    if (!button || !IsWindowEnabled(button)) return false;
    PostMessageW(button, BM_CLICK, 0, 0);
    return true;
}

HWND WizardWindow::WaitForControl(const std::wstring& text, driver::Timeout timeout) const {
    return PollUntil(timeout, [&]() -> HWND {
        ControlQuery query{&text, nullptr};
        EnumChildWindows(window, MatchControl, reinterpret_cast<LPARAM>(&query));
        return query.found;
    });
}

WizardWindow WaitForWizard(const std::wstring& titlePart, driver::Timeout timeout) {
    return WizardWindow(PollUntil(timeout, [&]() -> HWND {
        WizardQuery query{&titlePart, nullptr};
        EnumWindows(MatchWizard, reinterpret_cast<LPARAM>(&query));
        return query.found;
    }));
}

}  // namespace installed
