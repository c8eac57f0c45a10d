#pragma once

#include "core/settings_store.h"

inline constexpr wchar_t kSettingsKeyPath[] = L"Software\\Kiv\\MossquillDesktopPet";

// HKEY_CURRENT_USER\Software\Kiv\MossquillDesktopPet; every access opens and closes the key.
class RegistrySettingsStore final : public SettingsStore {
public:
    std::optional<uint32_t> ReadDword(const wchar_t* name) const override;
    void WriteSettingDword(const wchar_t* name, uint32_t value) override;
    std::optional<std::wstring> ReadString(const wchar_t* name) const override;
    void WriteSettingString(const wchar_t* name, const std::wstring& value) override;
};
