// Device identity: registration against the real service and the double, what is stored in the
// registry (the token only in protected form), and loading it again, also in a new process.
#include "online/identity_registry.h"
#include "online/online_client.h"
#include "text/wide_text.h"
#include "online_test_support.h"

#include <windows.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

class IdentityStore : public ::testing::Test {
protected:
    void SetUp() override {
        ClearSettingsKey();
        ResetDouble();
    }
};

std::string DeviceBody(const std::string& id, const std::string& nickname, const std::string& token) {
    return "{\"device\":{\"id\":\"" + id + "\",\"nickname\":\"" + nickname + "\",\"token\":\"" + token + "\"}}";
}

Bytes Protect(const void* data, std::size_t size) {
    DATA_BLOB plain{static_cast<DWORD>(size), static_cast<BYTE*>(const_cast<void*>(data))};
    DATA_BLOB sealed{};
    EXPECT_TRUE(CryptProtectData(&plain, L"test", nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &sealed));
    Bytes result(sealed.pbData, sealed.pbData + sealed.cbData);
    LocalFree(sealed.pbData);
    return result;
}

void StoreIdentity(const std::wstring& id, const std::wstring& nickname, const Bytes& protectedToken) {
    WriteIdentityString(kNetworkDeviceIdValue, id);
    WriteIdentityString(kNetworkNicknameValue, nickname);
    WriteSettingBytes(kNetworkTokenProtectedValue, REG_BINARY, protectedToken.data(),
                      static_cast<DWORD>(protectedToken.size()));
}

std::wstring StoredString(const wchar_t* name) {
    auto bytes = ReadSettingBytes(name, RRF_RT_REG_SZ);
    if (!bytes) return L"<absent>";
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes->data()), bytes->size() / 2);
}

bool Contains(const Bytes& haystack, const void* needle, std::size_t size) {
    const auto* begin = static_cast<const unsigned char*>(needle);
    return std::search(haystack.begin(), haystack.end(), begin, begin + size) != haystack.end();
}

TEST_F(IdentityStore, RegistersWithTheServiceAndStoresTheTokenOnlyProtected) {
    OnlineClient client;
    std::wstring error;
    // The service trims the spaces: the stored nickname is the one it returns.
    ASSERT_TRUE(client.Register(L"  小咕噜  ", &error)) << WideToUtf8(error);
    EXPECT_TRUE(client.HasCompleteIdentity());
    EXPECT_EQ(client.Identity().nickname, L"小咕噜");
    EXPECT_EQ(client.Identity().token.size(), 64u);
    EXPECT_EQ(StoredString(kNetworkDeviceIdValue), client.Identity().deviceId + L'\0');
    EXPECT_EQ(StoredString(kNetworkNicknameValue), std::wstring(L"小咕噜") + L'\0');

    auto sealed = ReadSettingBytes(kNetworkTokenProtectedValue, RRF_RT_REG_BINARY);
    ASSERT_TRUE(sealed);
    const std::string narrowToken = WideToUtf8(client.Identity().token);
    EXPECT_FALSE(Contains(*sealed, narrowToken.data(), narrowToken.size()));
    EXPECT_FALSE(Contains(*sealed, client.Identity().token.data(), client.Identity().token.size() * 2));
    DATA_BLOB input{static_cast<DWORD>(sealed->size()), sealed->data()};
    DATA_BLOB plain{};
    LPWSTR description = nullptr;
    ASSERT_TRUE(CryptUnprotectData(&input, &description, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &plain));
    EXPECT_EQ(std::wstring(description), L"咕噜兽联机身份");
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(plain.pbData), plain.cbData / 2),
              client.Identity().token + L'\0');
    EXPECT_EQ(plain.cbData, 130u);
    LocalFree(plain.pbData);
    LocalFree(description);

    auto probe = RunSiblingProgram(L"identity_probe.exe");
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->output,
              WideToUtf8(client.Identity().deviceId) + "\n" + WideToUtf8(L"小咕噜") + "\n" + narrowToken + "\n1\n");

    // The loaded identity is accepted by the service.
    OnlineClient restarted;
    restarted.LoadIdentity();
    EXPECT_TRUE(restarted.RefreshFriends(&error)) << WideToUtf8(error);

    OnlineClient again;
    ASSERT_TRUE(again.Register(L"第二次", &error)) << WideToUtf8(error);
    EXPECT_NE(again.Identity().deviceId, client.Identity().deviceId);
    EXPECT_EQ(StoredString(kNetworkDeviceIdValue), again.Identity().deviceId + L'\0');
    EXPECT_EQ(StoredString(kNetworkNicknameValue), std::wstring(L"第二次") + L'\0');
    restarted.LoadIdentity();
    EXPECT_EQ(restarted.Identity().token, again.Identity().token);
}

TEST_F(IdentityStore, TheServicesRefusalIsShownWithItsMessage) {
    OnlineClient client;
    std::wstring error;
    EXPECT_FALSE(client.Register(L"   ", &error));
    EXPECT_EQ(error, L"昵称不能为空。");
    EXPECT_FALSE(client.Register(L"十三个字的昵称实在是太长了啊", &error));
    EXPECT_EQ(error, L"昵称最多 12 个字符。");
    EXPECT_FALSE(client.HasCompleteIdentity());
    EXPECT_EQ(StoredString(kNetworkDeviceIdValue), L"<absent>");

    OnlineClient unreachable(MakeHosts(kDownHost, kDownHost));
    EXPECT_FALSE(unreachable.Register(L"咕咕", &error));
    EXPECT_EQ(error, L"联机请求失败：Windows 错误 12029");
}

TEST_F(IdentityStore, AcceptsOnly200And201) {
    OnlineClient client(MakeHosts(kDoubleHost, kDoubleHost));
    std::wstring error;
    ScriptDouble(200, DeviceBody("d-200", "二百", std::string(64, '2')));
    ASSERT_TRUE(client.Register(L"x", &error)) << WideToUtf8(error);
    EXPECT_EQ(client.Identity().deviceId, L"d-200");
    ScriptDouble(201, DeviceBody("d-201", "n", std::string(64, '1')));
    ASSERT_TRUE(client.Register(L"x", &error)) << WideToUtf8(error);
    EXPECT_EQ(client.Identity().deviceId, L"d-201");

    for (unsigned status : {202u, 204u, 299u}) {
        ScriptDouble(status, status == 204 ? "" : DeviceBody("d-other", "n", std::string(64, '9')));
        EXPECT_FALSE(client.Register(L"x", &error)) << status;
        EXPECT_EQ(error, L"暂时无法注册咕噜兽联机身份。（HTTP " + std::to_wstring(status) + L"）");
    }
    EXPECT_EQ(client.Identity().deviceId, L"d-201");
    EXPECT_EQ(StoredString(kNetworkDeviceIdValue), std::wstring(L"d-201") + L'\0');
}

TEST_F(IdentityStore, IncompleteOrUnreadableAnswersAreRefusedWithTheirTexts) {
    OnlineClient client(MakeHosts(kDoubleHost, kDoubleHost));
    std::wstring error;
    ScriptDouble(201, DeviceBody("kept", "留下", std::string(64, 'k')));
    ASSERT_TRUE(client.Register(L"x", &error)) << WideToUtf8(error);
    ScriptDouble(500, "");
    EXPECT_FALSE(client.Register(L"x", nullptr));

    const std::string token64(64, 't');
    const struct {
        std::string body;
        const wchar_t* text;
    } cases[] = {
        {"not json", L"服务返回了无法识别的数据。"},
        {"{\"device\":{}} trailing", L"服务返回了无法识别的数据。"},
        {"{\"id\":\"d\",\"nickname\":\"n\",\"token\":\"" + token64 + "\"}", L"服务没有返回设备身份。"},
        {"{\"device\":\"d\"}", L"服务没有返回设备身份。"},
        {DeviceBody("d", "n", std::string(63, 't')), L"服务返回的设备身份不完整。"},
        {DeviceBody("d", "n", std::string(65, 't')), L"服务返回的设备身份不完整。"},
        {DeviceBody("", "n", token64), L"服务返回的设备身份不完整。"},
        {DeviceBody("d", "", token64), L"服务返回的设备身份不完整。"},
        {"{\"device\":{\"id\":1,\"nickname\":\"n\",\"token\":\"" + token64 + "\"}}", L"服务返回的设备身份不完整。"},
        // A line break in the id or token would add header lines of its own to every request.
        {DeviceBody("d\\r\\nX-Evil: 1", "n", token64), L"服务返回的设备身份不完整。"},
        {DeviceBody("d", "n", std::string(62, 't') + "\\r\\n"), L"服务返回的设备身份不完整。"},
    };
    for (const auto& answer : cases) {
        ScriptDouble(201, answer.body);
        error.clear();
        EXPECT_FALSE(client.Register(L"x", &error)) << answer.body;
        EXPECT_EQ(error, answer.text) << answer.body;
    }
    EXPECT_EQ(client.Identity().deviceId, L"kept");
    EXPECT_EQ(client.Identity().nickname, L"留下");
    OnlineClient reloaded;
    reloaded.LoadIdentity();
    EXPECT_EQ(reloaded.Identity().deviceId, L"kept");
    EXPECT_EQ(reloaded.Identity().token, std::wstring(64, L'k'));
}

TEST_F(IdentityStore, LoadsBothStoredTokenFormsAndNothingFromAnIncompleteStore) {
    const std::string asciiToken(64, 'q');
    const std::wstring token(64, L'q');
    const std::wstring utf16Token = token + L'\0';
    // A line break would split the header block the token travels in.
    const std::wstring brokenToken = std::wstring(30, L'q') + L"\r\nX-Injected: 1" + std::wstring(19, L'q');
    const struct {
        const char* situation;
        Bytes sealed;
        bool loads;
    } cases[] = {
        {"UTF-16 with terminator", Protect(utf16Token.data(), utf16Token.size() * 2), true},
        {"UTF-16 without terminator", Protect(token.data(), token.size() * 2), true},
        {"older 64 bytes", Protect(asciiToken.data(), asciiToken.size()), true},
        {"older 64 bytes with NULs", Protect((asciiToken + std::string(3, '\0')).data(), 67), true},
        {"63 characters", Protect(token.data(), 63 * 2), false},
        {"not protected", Bytes(utf16Token.size() * 2, 'q'), false},
        {"empty value", Bytes(), false},
        {"control characters", Protect(brokenToken.data(), brokenToken.size() * 2), false},
    };
    for (const auto& stored : cases) {
        ClearSettingsKey();
        StoreIdentity(L"dev-9", L"小九", stored.sealed);
        OnlineClient client;
        client.LoadIdentity();
        EXPECT_EQ(client.HasCompleteIdentity(), stored.loads) << stored.situation;
        EXPECT_EQ(client.Identity().deviceId, stored.loads ? L"dev-9" : L"") << stored.situation;
        EXPECT_EQ(client.Identity().nickname, stored.loads ? L"小九" : L"") << stored.situation;
        EXPECT_EQ(client.Identity().token, stored.loads ? token : L"") << stored.situation;
    }

    const Bytes good = Protect(utf16Token.data(), utf16Token.size() * 2);
    ClearSettingsKey();
    StoreIdentity(L"dev-9", L"小九", good);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Kiv\\MossquillDesktopPet", kNetworkNicknameValue);
    OnlineClient withoutNickname;
    withoutNickname.LoadIdentity();
    EXPECT_EQ(withoutNickname.Identity().deviceId, L"");
    EXPECT_EQ(withoutNickname.Identity().token, L"");

    ClearSettingsKey();
    StoreIdentity(L"dev-9", L"小九", good);
    const DWORD notText = 5;
    WriteSettingBytes(kNetworkDeviceIdValue, REG_DWORD, &notText, sizeof(notText));
    OnlineClient wrongType;
    wrongType.LoadIdentity();
    EXPECT_FALSE(wrongType.HasCompleteIdentity());
    EXPECT_EQ(wrongType.Identity().nickname, L"");

    ClearSettingsKey();
    StoreIdentity(L"dev-9\r\nX-Injected: 1", L"小九", good);
    OnlineClient brokenId;
    brokenId.LoadIdentity();
    EXPECT_FALSE(brokenId.HasCompleteIdentity());
    EXPECT_EQ(brokenId.Identity().token, L"");
}

}  // namespace
