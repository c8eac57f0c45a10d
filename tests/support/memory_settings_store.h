#pragma once

#include "core/settings_store.h"

#include <map>
#include <string>
#include <vector>

// Settings kept in memory, with the order of every write, for rules tests.
class MemorySettingsStore final : public SettingsStore {
public:
    std::optional<uint32_t> ReadDword(const wchar_t* name) const override {
        auto found = dwords.find(name);
        if (found == dwords.end()) return std::nullopt;
        return found->second;
    }
    void WriteSettingDword(const wchar_t* name, uint32_t value) override {
        dwords[name] = value;
        writes.emplace_back(name);
    }
    std::optional<std::wstring> ReadString(const wchar_t* name) const override {
        auto found = strings.find(name);
        if (found == strings.end()) return std::nullopt;
        return found->second;
    }
    void WriteSettingString(const wchar_t* name, const std::wstring& value) override {
        strings[name] = value;
        writes.emplace_back(name);
    }

    std::map<std::wstring, uint32_t> dwords;
    std::map<std::wstring, std::wstring> strings;
    std::vector<std::wstring> writes;
};
