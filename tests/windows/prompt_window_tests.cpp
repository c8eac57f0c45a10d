// The prompt as a real window under its own modal loop, driven by a script of user input.
#include "ui/prompt_questions.h"
#include "ui/prompt_window.h"
#include "support/window_script.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr UINT_PTR kOwnerTimerId = 7;

struct OwnerRecord {
    int timerTicks = 0;
    int clicks = 0;
    int closePromptAfterTicks = 0;  // 0: leave the prompt alone
};

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* record = reinterpret_cast<OwnerRecord*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (record && message == WM_TIMER && wParam == kOwnerTimerId) {
        ++record->timerTicks;
        if (record->timerTicks == record->closePromptAfterTicks) {
            PostMessageW(FindWindowW(kPromptWindowClass, nullptr), WM_CLOSE, 0, 0);
        }
        return 0;
    }
    if (record && message == WM_LBUTTONDOWN) ++record->clicks;
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND EditOf(HWND prompt) { return GetDlgItem(prompt, kPromptEditId); }

class Prompt : public ::testing::Test {
protected:
    void SetUp() override { owner = MakeOwner(500, 300, 201, 151); }
    void TearDown() override {
        if (IsWindow(owner)) DestroyWindow(owner);
    }

    HWND MakeOwner(int x, int y, int width, int height) {
        static const bool registered = [] {
            WNDCLASSW windowClass{};
            windowClass.lpfnWndProc = OwnerProc;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_HIGHLIGHT + 1));
            windowClass.lpszClassName = L"PromptTestOwner";
            return RegisterClassW(&windowClass) != 0;
        }();
        EXPECT_TRUE(registered);
        HWND window =
            CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"PromptTestOwner", L"咕噜兽桌宠", WS_POPUP | WS_VISIBLE,
                            x, y, width, height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&record));
        SetForegroundWindow(window);
        PumpFor(100);
        return window;
    }

    bool Ask(std::vector<Step> steps, std::wstring& result, bool digitsOnly = false, int maxLength = 12,
             const std::wstring& initialText = L"") {
        WindowScript script(kPromptWindowClass, std::move(steps));
        const bool confirmed =
            PromptWindow::Run(owner, L"修改昵称", L"输入新的咕噜兽昵称：", initialText, result, digitsOnly, maxLength);
        EXPECT_TRUE(script.played());
        return confirmed;
    }

    OwnerRecord record;
    HWND owner = nullptr;
};

TEST_F(Prompt, WindowAndControlsAreBuiltAsDesigned) {
    std::wstring result;
    const Step inspect = [&](HWND prompt) {
        EXPECT_EQ(ClassOf(prompt), kPromptWindowClass);
        EXPECT_EQ(TextOf(prompt), L"修改昵称");
        EXPECT_EQ(GetWindow(prompt, GW_OWNER), owner);
        // The system adds WS_VISIBLE and WS_CLIPSIBLINGS to every shown top-level window and
        // WS_EX_WINDOWEDGE to framed ones.
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(prompt, GWL_STYLE)) & ~(WS_VISIBLE | WS_CLIPSIBLINGS), 0x80C80000u);
        EXPECT_EQ(GetWindowLongW(prompt, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE, 9);

        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), kPromptWindowClass, &windowClass));
        EXPECT_EQ(windowClass.style, 0u);
        EXPECT_EQ(windowClass.cbClsExtra, 0);
        EXPECT_EQ(windowClass.cbWndExtra, 0);
        EXPECT_EQ(windowClass.hbrBackground, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)));
        EXPECT_EQ(windowClass.hCursor, LoadCursorW(nullptr, IDC_ARROW));
        EXPECT_EQ(windowClass.hIcon, nullptr);

        struct Control {
            int id;
            const wchar_t* className;
            std::wstring text;
            LONG style;
            LONG exStyle;
            RECT rect;
        };
        const LONG child = WS_CHILD | WS_VISIBLE;
        const Control controls[] = {
            {0, L"static", L"输入新的咕噜兽昵称：", child, 0, {18, 18, 362, 52}},
            {kPromptEditId, L"edit", L"", child | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, {18, 58, 362, 83}},
            {IDOK, L"button", L"确定", child | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, {202, 99, 278, 126}},
            {IDCANCEL, L"button", L"取消", child | WS_TABSTOP, 0, {286, 99, 362, 126}},
        };
        int children = 0;
        for (HWND c = GetWindow(prompt, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            ++children;
        EXPECT_EQ(children, 4);
        for (const Control& expected : controls) {
            SCOPED_TRACE(expected.id);
            HWND control = GetDlgItem(prompt, expected.id);
            ASSERT_NE(control, nullptr);
            EXPECT_EQ(_wcsicmp(ClassOf(control).c_str(), expected.className), 0) << ClassOf(control);
            EXPECT_EQ(TextOf(control), expected.text);
            EXPECT_EQ(GetWindowLongW(control, GWL_STYLE), expected.style);
            EXPECT_EQ(GetWindowLongW(control, GWL_EXSTYLE), expected.exStyle);
            RECT rect{};
            GetWindowRect(control, &rect);
            MapWindowPoints(nullptr, prompt, reinterpret_cast<POINT*>(&rect), 2);
            EXPECT_EQ(rect.left, expected.rect.left);
            EXPECT_EQ(rect.top, expected.rect.top);
            EXPECT_EQ(rect.right, expected.rect.right);
            EXPECT_EQ(rect.bottom, expected.rect.bottom);
            EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)),
                      GetStockObject(DEFAULT_GUI_FONT));
        }
        EXPECT_EQ(SendMessageW(EditOf(prompt), EM_GETLIMITTEXT, 0, 0), 12);
        EXPECT_EQ(GetFocus(), EditOf(prompt));
        PostMessageW(prompt, WM_CLOSE, 0, 0);
    };
    EXPECT_FALSE(Ask({inspect}, result));
    EXPECT_FALSE(IsWindow(FindWindowW(kPromptWindowClass, nullptr)));
}

TEST_F(Prompt, CentredOverTheOwnerWithTruncatingDivisionInsideTheWorkArea) {
    struct Case {
        RECT owner;
        POINT expected;
    };
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    // Odd differences show the truncation: (201 - 396) / 2 is -97, not -98. Where the centred
    // place hangs off the work area (an owner partly off screen, or the pet in its home corner),
    // the prompt is moved just inside it.
    const Case cases[] = {
        {{500, 300, 701, 451}, {403, 289}},
        {{-150, -60, 51, 91}, {area.left, area.top}},
        {{100, 50, 1101, 751}, {402, 313}},
        {{area.right - 230, area.bottom - 230, area.right, area.bottom},
         {area.right - kPromptWindowWidth, area.bottom - 230 + (230 - kPromptWindowHeight) / 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.owner.left);
        SetWindowPos(owner, nullptr, c.owner.left, c.owner.top, c.owner.right - c.owner.left,
                     c.owner.bottom - c.owner.top, SWP_NOZORDER | SWP_NOACTIVATE);
        std::wstring result;
        const Step measure = [&](HWND prompt) {
            RECT rect{};
            GetWindowRect(prompt, &rect);
            EXPECT_EQ(rect.left, c.expected.x);
            EXPECT_EQ(rect.top, c.expected.y);
            EXPECT_EQ(rect.right - rect.left, kPromptWindowWidth);
            EXPECT_EQ(rect.bottom - rect.top, kPromptWindowHeight);
            PostMessageW(prompt, WM_CLOSE, 0, 0);
        };
        Ask({measure}, result);
    }
}

TEST_F(Prompt, EnterConfirmsTheTypedTextTrimmed) {
    std::wstring result = L"不变";
    EXPECT_TRUE(Ask({[](HWND) {
                        Type(L"  昵称  ");
                        PressKey(VK_RETURN);
                    }},
                    result));
    EXPECT_EQ(result, L"昵称");

    const Step typeAndClickOk = [](HWND prompt) {
        Type(L" 咕噜  兽\t");
        ClickAt(CentreOf(GetDlgItem(prompt, IDOK)));
    };
    EXPECT_TRUE(Ask({typeAndClickOk}, result));
    EXPECT_EQ(result, L"咕噜  兽");

    // An empty answer is still an answer; the caller decides what it means.
    EXPECT_TRUE(Ask({[](HWND) {
                        Type(L"   ");
                        PressKey(VK_RETURN);
                    }},
                    result));
    EXPECT_EQ(result, L"");
}

// Dragged to a monitor of 150 % and back, the prompt takes the size the system suggests, its
// controls their places at that scale in a font made for it, and what was typed stays.
TEST_F(Prompt, MovedToAMonitorOfAnotherScaleItIsLaidOutAgainAtThatScale) {
    LONG stockHeight = 0;
    {
        LOGFONTW stock{};
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(stock), &stock);
        stockHeight = stock.lfHeight;
    }
    const auto fontHeight = [](HWND control) {
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
        return font.lfHeight;
    };
    const auto placeIn = [](HWND prompt, HWND control) {
        RECT rect{};
        GetWindowRect(control, &rect);
        MapWindowPoints(nullptr, prompt, reinterpret_cast<POINT*>(&rect), 2);
        return std::vector<LONG>{rect.left, rect.top, rect.right, rect.bottom};
    };
    const auto moveTo = [](HWND prompt, int dpi, RECT suggested) {
        SendMessageW(prompt, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    };
    const Step largerAndBack = [&](HWND prompt) {
        Type(L"小红");
        moveTo(prompt, 144, RECT{100, 120, 100 + 570, 120 + 240});
        RECT window{};
        GetWindowRect(prompt, &window);
        EXPECT_EQ(std::vector<LONG>({window.left, window.top, window.right, window.bottom}),
                  std::vector<LONG>({100, 120, 670, 360}));
        EXPECT_EQ(placeIn(prompt, EditOf(prompt)), std::vector<LONG>({27, 87, 543, 125}));
        EXPECT_EQ(placeIn(prompt, GetDlgItem(prompt, IDCANCEL)), std::vector<LONG>({429, 149, 543, 190}));
        EXPECT_EQ(fontHeight(GetDlgItem(prompt, IDOK)), MulDiv(stockHeight, 144, 96));

        moveTo(prompt, 96, RECT{100, 120, 100 + 380, 120 + 160});
        EXPECT_EQ(placeIn(prompt, EditOf(prompt)), std::vector<LONG>({18, 58, 362, 83}));
        EXPECT_EQ(fontHeight(EditOf(prompt)), stockHeight);
        PressKey(VK_RETURN);
    };
    std::wstring result;
    EXPECT_TRUE(Ask({largerAndBack}, result));
    EXPECT_EQ(result, L"小红");
}

TEST_F(Prompt, InitialTextIsSelectedSoTypingReplacesIt) {
    std::wstring nickname = L"旧昵称";
    const Step checkSelection = [](HWND prompt) {
        DWORD start = 99, end = 99;
        SendMessageW(EditOf(prompt), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 0u);
        EXPECT_EQ(end, 3u);
        EXPECT_EQ(TextOf(EditOf(prompt)), L"旧昵称");
        Type(L"新");
    };
    // The result may be the very string the initial text came from.
    EXPECT_TRUE(Ask({checkSelection, [](HWND) { PressKey(VK_RETURN); }}, nickname, false, 12, nickname));
    EXPECT_EQ(nickname, L"新");
}

TEST_F(Prompt, EveryWayOfCancellingLeavesTheResultAlone) {
    struct Way {
        const char* name;
        Step cancel;
    };
    const Way ways[] = {
        {"Cancel button", [](HWND prompt) { ClickAt(CentreOf(GetDlgItem(prompt, IDCANCEL))); }},
        {"Escape", [](HWND) { PressKey(VK_ESCAPE); }},
        {"close box", [](HWND prompt) { PostMessageW(prompt, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"Alt+F4",
         [](HWND) {
             SendKey(VK_MENU, false);
             PressKey(VK_F4);
             SendKey(VK_MENU, true);
         }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        std::wstring nickname = L"旧昵称";
        EXPECT_FALSE(Ask({[](HWND) { Type(L"改了"); }, way.cancel}, nickname, false, 12, nickname));
        EXPECT_EQ(nickname, L"旧昵称");
        EXPECT_FALSE(IsWindow(FindWindowW(kPromptWindowClass, nullptr)));
        EXPECT_TRUE(IsWindowEnabled(owner));
    }
}

TEST_F(Prompt, TabWalksFromTheEditFieldToTheButtonsAndEnterPressesTheFocusedOne) {
    std::wstring result = L"不变";
    const Step tab = [](HWND) { PressKey(VK_TAB); };
    const Step onOk = [](HWND prompt) {
        EXPECT_EQ(GetFocus(), GetDlgItem(prompt, IDOK));
        PressKey(VK_TAB);
    };
    const Step onCancel = [](HWND prompt) {
        EXPECT_EQ(GetFocus(), GetDlgItem(prompt, IDCANCEL));
        PressKey(VK_RETURN);
    };
    EXPECT_FALSE(Ask({[](HWND) { Type(L"咕噜"); }, tab, onOk, onCancel}, result));
    EXPECT_EQ(result, L"不变");
}

TEST_F(Prompt, DigitsOnlyRefusesLettersAndTheLimitRefusesTheSeventhCharacter) {
    std::wstring result;
    EXPECT_TRUE(Ask({[](HWND) {
                        Type(L"1a2b3 ");
                        PressKey(VK_RETURN);
                    }},
                    result, true, 6));
    EXPECT_EQ(result, L"123");

    EXPECT_TRUE(Ask({[](HWND) {
                        Type(L"1234567");
                        PressKey(VK_RETURN);
                    }},
                    result, true, 6));
    EXPECT_EQ(result, L"123456");

    EXPECT_TRUE(Ask({[](HWND) {
                        Type(L"1a2b3");
                        PressKey(VK_RETURN);
                    }},
                    result, false, 6));
    EXPECT_EQ(result, L"1a2b3");
}

TEST_F(Prompt, OwnerIsDisabledWhileOpenAndActiveAgainAfterwards) {
    DestroyWindow(owner);
    owner = MakeOwner(100, 100, 700, 500);
    const POINT ownerCorner{120, 120};  // well outside the prompt centred over the owner
    std::wstring result;
    const Step clickOwner = [&](HWND prompt) {
        EXPECT_FALSE(IsWindowEnabled(owner));
        EXPECT_EQ(GetForegroundWindow(), prompt);
        ClickAt(ownerCorner);
    };
    const Step close = [](HWND) { PressKey(VK_ESCAPE); };
    EXPECT_FALSE(Ask({clickOwner, close}, result));
    EXPECT_EQ(record.clicks, 0);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetForegroundWindow(), owner);

    ClickAt(ownerCorner);
    PumpFor(200);
    EXPECT_EQ(record.clicks, 1);
}

TEST_F(Prompt, OtherWindowsTimersKeepFiringInsideTheLoop) {
    SetTimer(owner, kOwnerTimerId, 20, nullptr);
    record.closePromptAfterTicks = 5;
    std::wstring result = L"不变";
    EXPECT_FALSE(Ask({}, result));
    EXPECT_EQ(result, L"不变");
    EXPECT_GE(record.timerTicks, 5);
    KillTimer(owner, kOwnerTimerId);
}

// A quit request must neither leave the window behind (its state record would be gone) nor be lost
// to the loop that owns it.
TEST_F(Prompt, QuitRequestClosesThePromptAndIsPassedOn) {
    std::wstring result = L"不变";
    EXPECT_FALSE(Ask({[](HWND) { Type(L"12"); }, [](HWND) { PostQuitMessage(7); }}, result));
    EXPECT_EQ(result, L"不变");
    EXPECT_FALSE(IsWindow(FindWindowW(kPromptWindowClass, nullptr)));
    EXPECT_TRUE(IsWindowEnabled(owner));
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 7u);
}

TEST_F(Prompt, DestroyingTheOwnerEndsTheLoop) {
    std::wstring result = L"不变";
    EXPECT_FALSE(Ask({[&](HWND) { DestroyWindow(owner); }}, result));
    EXPECT_EQ(result, L"不变");
    EXPECT_FALSE(IsWindow(FindWindowW(kPromptWindowClass, nullptr)));
}

TEST_F(Prompt, EachCallerAsksItsOwnQuestion) {
    struct Case {
        const PromptQuestion& question;
        std::wstring title;
        std::wstring prompt;
        bool digitsOnly;
        int maxLength;
    };
    const Case cases[] = {
        {kDriftNotePrompt, L"漂流小纸条", L"写给好友的小纸条（最多 60 个字符）：", false, 60},
        {kManualActivityPrompt, L"追加本次字数", L"请输入这次完成的字数（会累加到本周）：", true, 7},
        {kFirstNicknamePrompt, L"启用咕噜兽联机", L"给这只咕噜兽取一个好友能认出的昵称：", false, 12},
        {kChangeNicknamePrompt, L"修改昵称", L"输入新的咕噜兽昵称：", false, 12},
        {kPairingCodePrompt, L"添加咕噜兽好友", L"请输入对方生成的 6 位配对码：", true, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.maxLength);
        std::wstring result = L"不变";
        const Step inspect = [&](HWND prompt) {
            EXPECT_EQ(TextOf(prompt), c.title);
            EXPECT_EQ(TextOf(GetDlgItem(prompt, 0)), c.prompt);
            EXPECT_EQ(SendMessageW(EditOf(prompt), EM_GETLIMITTEXT, 0, 0), c.maxLength);
            EXPECT_EQ((GetWindowLongW(EditOf(prompt), GWL_STYLE) & ES_NUMBER) != 0, c.digitsOnly);
            EXPECT_EQ(TextOf(EditOf(prompt)), L"咕噜兽");
            PressKey(VK_ESCAPE);
        };
        WindowScript script(kPromptWindowClass, {inspect});
        EXPECT_FALSE(RunPrompt(owner, c.question, kFirstNicknameInitialText, result));
        EXPECT_TRUE(script.played());
        EXPECT_EQ(result, L"不变");
    }
}

}  // namespace
