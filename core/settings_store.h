#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Where the pet keeps its persisted values. Production uses the current user's registry key;
// tests may hand in another store.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // A value that is absent or not a 32-bit number reads as nothing.
    virtual std::optional<uint32_t> ReadDword(const wchar_t* name) const = 0;
    // Failures are silent: a value that cannot be written simply stays as it was.
    virtual void WriteSettingDword(const wchar_t* name, uint32_t value) = 0;
    virtual std::optional<std::wstring> ReadString(const wchar_t* name) const = 0;
    virtual void WriteSettingString(const wchar_t* name, const std::wstring& value) = 0;
};
