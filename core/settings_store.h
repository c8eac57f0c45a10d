#pragma once

#include <windows.h>

#include <optional>
#include <string>

// Where the pet keeps its persisted values. Production uses the current user's registry key;
// tests may hand in another store.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // A value that is absent or of another type than REG_DWORD reads as nothing.
    virtual std::optional<DWORD> ReadDword(const wchar_t* name) const = 0;
    // Failures are silent: a value that cannot be written simply stays as it was.
    virtual void WriteSettingDword(const wchar_t* name, DWORD value) = 0;
    virtual std::optional<std::wstring> ReadString(const wchar_t* name) const = 0;
    virtual void WriteSettingString(const wchar_t* name, const std::wstring& value) = 0;
};

inline constexpr wchar_t kSettingsKeyPath[] = L"Software\\Kiv\\MossquillDesktopPet";

// HKEY_CURRENT_USER\Software\Kiv\MossquillDesktopPet; every access opens and closes the key.
class RegistrySettingsStore final : public SettingsStore {
public:
    std::optional<DWORD> ReadDword(const wchar_t* name) const override;
    void WriteSettingDword(const wchar_t* name, DWORD value) override;
    std::optional<std::wstring> ReadString(const wchar_t* name) const override;
    void WriteSettingString(const wchar_t* name, const std::wstring& value) override;
};
