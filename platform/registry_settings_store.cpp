#include "platform/registry_settings_store.h"

#include "platform/registry_key.h"

#include <vector>

namespace {

RegistryKey OpenForWriting() {
    RegistryKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS) {
        return RegistryKey();
    }
    return key;
}

}  // namespace

std::optional<uint32_t> RegistrySettingsStore::ReadDword(const wchar_t* name) const {
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKeyPath, name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

void RegistrySettingsStore::WriteSettingDword(const wchar_t* name, uint32_t value) {
    const DWORD stored = value;
    RegistryKey key = OpenForWriting();
    if (!key) return;
    RegSetValueExW(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&stored), sizeof(stored));
}

std::optional<std::wstring> RegistrySettingsStore::ReadString(const wchar_t* name) const {
    DWORD bytes = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKeyPath, name, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKeyPath, name, RRF_RT_REG_SZ, nullptr, buffer.data(), &bytes) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::wstring text(buffer.data());
    return text;
}

void RegistrySettingsStore::WriteSettingString(const wchar_t* name, const std::wstring& value) {
    RegistryKey key = OpenForWriting();
    if (!key) return;
    RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}
