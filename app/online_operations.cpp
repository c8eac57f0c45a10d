// The online commands of the menu: each asks what it needs, calls the service on this thread and
// shows the outcome.
#include "app/pet_app.h"

#include "ui/prompt_questions.h"

#include <algorithm>

namespace {

constexpr wchar_t kOnlineTitle[] = L"咕噜兽联机";

std::wstring PairingCodeText(const std::wstring& code) {
    return L"把这个 6 位配对码告诉要添加的好友：\n\n" + code +
           L"\n\n10 分钟内有效。好友只需添加一次，以后会一直保存在列表里。";
}

}  // namespace

bool PetApp::HasIdentityOrSaySo() {
    if (online_.HasCompleteIdentity()) return true;
    notices_.Show(window(), L"请先启用联机。", kOnlineTitle, MB_ICONINFORMATION);
    return false;
}

void PetApp::ToggleOnline() {
    if (networkEnabled_) {
        SwitchOnlineOff();
        return;
    }
    if (!online_.HasCompleteIdentity()) {
        std::wstring nickname;
        if (!RunPrompt(window(), kFirstNicknamePrompt, kFirstNicknameInitialText, nickname) || nickname.empty()) {
            return;
        }
        std::wstring error;
        if (!online_.Register(nickname, &error)) {
            notices_.Show(window(), error, kOnlineTitle, MB_ICONWARNING);
            return;
        }
    }
    // The session reports its connection itself; until then the menu says it is connecting.
    SwitchOnlineOn();
}

void PetApp::ChangeNickname() {
    if (!HasIdentityOrSaySo()) return;
    std::wstring nickname;
    if (!RunPrompt(window(), kChangeNicknamePrompt, online_.Identity().nickname, nickname) || nickname.empty()) {
        return;
    }
    std::wstring error;
    if (!online_.SetNickname(nickname, &error)) notices_.Show(window(), error, L"修改昵称失败", MB_ICONWARNING);
}

void PetApp::CreatePairingCode() {
    if (!HasIdentityOrSaySo()) return;
    std::wstring code;
    std::wstring error;
    if (online_.CreatePairCode(code, &error)) {
        notices_.Show(window(), PairingCodeText(code), L"我的好友配对码", MB_ICONINFORMATION);
    } else {
        notices_.Show(window(), error, L"生成配对码失败", MB_ICONWARNING);
    }
}

void PetApp::ClaimPairingCode() {
    if (!HasIdentityOrSaySo()) return;
    // Short or empty codes go to the service as typed; its refusal says what is wrong.
    std::wstring code;
    if (!RunPrompt(window(), kPairingCodePrompt, L"", code)) return;
    std::wstring error;
    if (online_.ClaimPairCode(code, &error)) {
        notices_.Show(window(), L"好友添加成功！以后不用重复添加，串门时直接选昵称即可。", L"咕噜兽好友",
                      MB_ICONINFORMATION);
    } else {
        notices_.Show(window(), error, L"添加好友失败", MB_ICONWARNING);
    }
}

void PetApp::RefreshFriends() {
    if (!online_.HasCompleteIdentity()) return;
    // The list itself arrives as a posted message, like every list the session delivers.
    std::wstring error;
    if (!online_.RefreshFriends(&error)) notices_.Show(window(), error, L"刷新好友失败", MB_ICONWARNING);
}

void PetApp::RemoveFriend(const std::wstring& friendId) {
    if (!HasIdentityOrSaySo()) return;
    const std::vector<OnlineFriend>& friends = presence_.friends();
    const auto buddy =
        std::find_if(friends.begin(), friends.end(), [&](const OnlineFriend& one) { return one.id == friendId; });
    if (buddy == friends.end()) return;  // removed meanwhile, from either side
    const std::wstring question = L"确定删除好友「" + buddy->nickname + L"」吗？对方的好友列表里也将不再有你。";
    if (notices_.Show(window(), question, L"删除好友", MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return;
    // The new list arrives as a posted message, like every list the session delivers.
    std::wstring error;
    if (!online_.RemoveFriend(friendId, &error)) notices_.Show(window(), error, L"删除好友失败", MB_ICONWARNING);
}
