// Works the running pet of this Wine prefix through its menus for scripts/demo-visit, one step
// per run, as a user would: right-clicks, menu keys, prompts and message boxes.
//   demo_visit online NICKNAME   goes online under that nickname
//   demo_visit code              creates a pairing code, prints it and closes its box
//   demo_visit claim CODE        claims a friend's code and closes the result's box
//   demo_visit note TEXT         sends a quick visit with a drift note (menu item 105)
//   demo_visit like              waits for a visit card and answers it with a like
// Exit code 0 when the step was done, 1 when a window did not show.
#include "app/pet_app.h"
#include "text/wide_text.h"
#include "pet_driver.h"
#include "motion/placement.h"
#include "render/visit_card.h"
#include "ui/prompt_window.h"

#include <cstdio>
#include <cwctype>
#include <string>

using namespace driver;

namespace {

constexpr wchar_t kMenuClass[] = L"#32768";
// The pet's window is a card while it is at least as wide as the card for the smallest pet.
const int kCardMinWidth = VisitCardSize(kPetSizes.front()).cx;

int Fail(const char* what) {
    std::fprintf(stderr, "demo_visit: %s\n", what);
    return 1;
}

POINT CentreOf(HWND window) {
    const RECT rect = WindowRect(window);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void Press(HWND menu, WORD key, int times = 1) {
    for (int i = 0; i < times; ++i)
        PostMessageW(menu, WM_KEYDOWN, key, 0);
}

// Right-clicks the pet and chooses the main menu's item `item` (from 1, nothing selected at first);
// with `subitem`, opens that submenu and chooses its item `subitem` (from 0, its first selected).
bool ChooseFromMenu(DWORD pid, HWND pet, int item, int subitem = -1) {
    RightClickAt(CentreOf(pet));
    HWND menu = WaitForWindow(pid, kMenuClass, nullptr, 10s);
    if (!menu) return false;
    Press(menu, VK_DOWN, item);
    if (subitem < 0) {
        Press(menu, VK_RETURN);
        return true;
    }
    Press(menu, VK_RIGHT);
    Sleep(500);
    Press(menu, VK_DOWN, subitem);
    Press(menu, VK_RETURN);
    return true;
}

bool AnswerPrompt(DWORD pid, const std::wstring& text, Timeout wait = 10s) {
    HWND prompt = WaitForWindow(pid, kPromptWindowClass, nullptr, wait);
    if (!prompt) return false;
    SendMessageW(GetDlgItem(prompt, kPromptEditId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    PostMessageW(GetDlgItem(prompt, IDOK), BM_CLICK, 0, 0);
    return WaitUntilClosed(prompt, 30s);
}

// Prints a box's text and closes it; false when none showed.
bool CloseBox(DWORD pid, std::wstring* text = nullptr) {
    const auto box = WaitForMessageBox(pid, 30s);
    if (!box) return false;
    std::printf("%s: %s\n", WideToUtf8(box->caption).c_str(), WideToUtf8(box->text).c_str());
    if (text) *text = box->text;
    PressButton(box->window, IDOK);
    return WaitUntilClosed(box->window, 10s);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return Fail("usage: demo_visit online NAME | code | claim CODE | note TEXT | like");
    const std::wstring command = argv[1];
    const std::wstring argument = argc > 2 ? argv[2] : L"";
    HWND pet = FindWindowW(kPetWindowClass, nullptr);
    if (!pet) return Fail("no pet runs in this prefix");
    DWORD pid = 0;
    GetWindowThreadProcessId(pet, &pid);
    // The online submenu is the ninth item of the main menu; 105 the fifth.
    constexpr int kOnlineSubmenu = 9;

    if (command == L"online") {
        if (!ChooseFromMenu(pid, pet, kOnlineSubmenu, 0) || !AnswerPrompt(pid, argument)) return Fail("no prompt");
        for (int waited = 0; waited < 300 && ReadSetting(L"NetworkEnabled") != 1u; ++waited)
            Sleep(100);
        return ReadSetting(L"NetworkEnabled") == 1u ? 0 : Fail("the pet did not go online");
    }
    if (command == L"code") {
        std::wstring text;
        if (!ChooseFromMenu(pid, pet, kOnlineSubmenu, 2) || !CloseBox(pid, &text)) return Fail("no code box");
        std::wstring code;
        for (wchar_t c : text) {
            if (std::iswdigit(c))
                code += c;
            else if (code.size() == 6)
                break;
            else
                code.clear();
        }
        if (code.size() != 6) return Fail("no code in the box");
        std::printf("CODE=%s\n", WideToUtf8(code).c_str());
        return 0;
    }
    if (command == L"claim") {
        if (!ChooseFromMenu(pid, pet, kOnlineSubmenu, 3) || !AnswerPrompt(pid, argument) || !CloseBox(pid)) {
            return Fail("the claim did not finish");
        }
        return 0;
    }
    if (command == L"note") {
        // Until the friend's coming online has reached the pet, it says that nobody is online.
        for (int attempt = 0; attempt < 20; ++attempt) {
            if (!ChooseFromMenu(pid, pet, 5)) return Fail("no menu");
            if (AnswerPrompt(pid, argument, 3s)) return 0;
            if (!CloseBox(pid)) return Fail("neither a note prompt nor a box showed");
            Sleep(1000);
        }
        return Fail("the friend never came online");
    }
    if (command == L"like") {
        for (int waited = 0; waited < 600; ++waited, Sleep(50)) {
            const RECT card = WindowRect(pet);
            if (card.right - card.left < kCardMinWidth) continue;
            RightClickAt(CentreOf(pet));
            HWND menu = WaitForWindow(pid, kMenuClass, nullptr, 10s);
            if (!menu) return Fail("no reaction menu");
            Press(menu, VK_DOWN);
            Press(menu, VK_RETURN);
            return WaitUntilClosed(menu, 10s) ? 0 : Fail("the reaction menu stayed");
        }
        return Fail("no visit card showed");
    }
    return Fail("unknown command");
}
