#include "online/identity_registry.h"

#include "platform/registry_key.h"
#include "platform/registry_settings_store.h"
#include "text/wide_text.h"

#include <windows.h>
#include <wincrypt.h>

#include <cstring>
#include <string_view>
#include <vector>

namespace {

RegistryKey OpenSettingsForWriting() {
    RegistryKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
        return RegistryKey();
    }
    return key;
}

bool WriteValue(const wchar_t* valueName, DWORD type, const void* data, DWORD size) {
    RegistryKey key = OpenSettingsForWriting();
    if (!key) return false;
    return RegSetValueExW(key.get(), valueName, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

// A size query, then the read into a zero-filled buffer; text gets room for whole code units and
// one more NUL.
std::optional<std::vector<unsigned char>> ReadValue(const wchar_t* valueName, DWORD typeRestriction) {
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKeyPath, valueName, typeRestriction, nullptr, nullptr, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    const bool text = typeRestriction == RRF_RT_REG_SZ;
    std::vector<unsigned char> data(text ? size / 2 * 2 + 2 : size, 0);
    DWORD read = static_cast<DWORD>(data.size());
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKeyPath, valueName, typeRestriction, nullptr, data.data(), &read) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return data;
}

// Frees a buffer the data-protection functions allocated, wiping it first.
class ProtectedBuffer {
public:
    ProtectedBuffer() = default;
    ProtectedBuffer(const ProtectedBuffer&) = delete;
    ProtectedBuffer& operator=(const ProtectedBuffer&) = delete;
    ~ProtectedBuffer() {
        if (blob.pbData) {
            SecureZeroMemory(blob.pbData, blob.cbData);
            LocalFree(blob.pbData);
        }
    }
    DATA_BLOB blob{};
};

// The token in unprotected bytes: 64 UTF-16 code units as written by this program, or 64 UTF-8
// bytes as stored by older versions; trailing NULs are ignored in both forms.
std::optional<std::wstring> DecodeTokenPlaintext(const std::vector<unsigned char>& plaintext) {
    if (plaintext.size() >= 2 && plaintext.size() % 2 == 0) {
        std::wstring units(plaintext.size() / 2, L'\0');
        std::memcpy(units.data(), plaintext.data(), plaintext.size());
        while (!units.empty() && units.back() == L'\0')
            units.pop_back();
        if (units.size() == kTokenLength) return units;
    }
    std::string_view bytes(reinterpret_cast<const char*>(plaintext.data()), plaintext.size());
    while (!bytes.empty() && bytes.back() == '\0')
        bytes.remove_suffix(1);
    if (bytes.size() == kTokenLength) return Utf8ToWide(bytes);
    return std::nullopt;
}

}  // namespace

bool WriteIdentityString(const wchar_t* valueName, const std::wstring& text) {
    return WriteValue(valueName, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

bool WriteProtectedToken(const std::wstring& token) {
    DATA_BLOB plaintext{static_cast<DWORD>((token.size() + 1) * sizeof(wchar_t)),
                        reinterpret_cast<BYTE*>(const_cast<wchar_t*>(token.c_str()))};
    ProtectedBuffer protectedToken;
    if (!CryptProtectData(&plaintext, kTokenProtectionDescription, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                          &protectedToken.blob)) {
        return false;
    }
    return WriteValue(kNetworkTokenProtectedValue, REG_BINARY, protectedToken.blob.pbData, protectedToken.blob.cbData);
}

std::optional<std::wstring> ReadIdentityString(const wchar_t* valueName) {
    auto data = ReadValue(valueName, RRF_RT_REG_SZ);
    if (!data) return std::nullopt;
    const std::size_t units = data->size() / sizeof(wchar_t);
    std::wstring text(units, L'\0');
    std::memcpy(text.data(), data->data(), units * sizeof(wchar_t));
    const std::size_t end = text.find(L'\0');
    if (end != std::wstring::npos) text.resize(end);
    return text;
}

std::optional<std::wstring> ReadProtectedToken() {
    auto stored = ReadValue(kNetworkTokenProtectedValue, RRF_RT_REG_BINARY);
    if (!stored || stored->empty()) return std::nullopt;
    DATA_BLOB protectedToken{static_cast<DWORD>(stored->size()), stored->data()};
    ProtectedBuffer plaintext;
    if (!CryptUnprotectData(&protectedToken, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                            &plaintext.blob)) {
        return std::nullopt;
    }
    std::vector<unsigned char> bytes(plaintext.blob.pbData, plaintext.blob.pbData + plaintext.blob.cbData);
    auto token = DecodeTokenPlaintext(bytes);
    SecureZeroMemory(bytes.data(), bytes.size());
    return token;
}
