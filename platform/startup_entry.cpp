#include "platform/startup_entry.h"

#include "platform/registry_key.h"

#include <windows.h>

namespace {

constexpr wchar_t kRefusedText[] = L"公司策略或系统权限阻止了开机自启动设置。";
constexpr wchar_t kNoProgramPathText[] = L"无法读取咕噜兽程序路径。";
constexpr DWORD kProgramPathCapacity = 260;

RegistryKey OpenRunKeyForWriting() {
    RegistryKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kRunKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr) !=
        ERROR_SUCCESS) {
        return RegistryKey();
    }
    return key;
}

}  // namespace

bool StartupEntryExists() {
    return RegGetValueW(HKEY_CURRENT_USER, kRunKeyPath, kStartupValueName, RRF_RT_REG_SZ, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

std::optional<std::wstring> EnableStartupEntry() {
    RegistryKey key = OpenRunKeyForWriting();
    if (!key) return kRefusedText;
    wchar_t path[kProgramPathCapacity] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, kProgramPathCapacity);
    // A path cut short at the buffer's end would start nothing.
    if (length == 0 || length >= kProgramPathCapacity) return kNoProgramPathText;
    const std::wstring command = L"\"" + std::wstring(path, length) + L"\"";
    if (RegSetValueExW(key.get(), kStartupValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                       static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS) {
        return kRefusedText;
    }
    return std::nullopt;
}

std::optional<std::wstring> DisableStartupEntry() {
    RegistryKey key = OpenRunKeyForWriting();
    if (!key) return kRefusedText;
    const LSTATUS status = RegDeleteValueW(key.get(), kStartupValueName);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return kRefusedText;
    return std::nullopt;
}

std::optional<std::wstring> ApplyStartupEntry(bool wanted) {
    if (StartupEntryExists() == wanted) return std::nullopt;
    return wanted ? EnableStartupEntry() : DisableStartupEntry();
}
