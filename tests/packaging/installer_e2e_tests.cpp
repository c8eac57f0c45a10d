// The installer and uninstaller run as a user runs them: silently from a script, and through their pages.
#include "installed_pet.h"
#include "pet_driver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

using namespace driver;
using namespace installed;

namespace {

constexpr Timeout kSetupTimeout = 60s;

// The installer as a deployment script runs it.
std::optional<DWORD> InstallSilently() {
    return RunAndWait(L"\"" + EnvironmentPath(L"MOSSQUILL_SETUP") + L"\" /S", kSetupTimeout);
}

// The pet's values a user would miss after an update: settings, its place and the online identity.
void StoreStateOfAPetThatLivedHere() {
    ClearSettings();
    WriteSetting(L"Energy", 42);
    WriteSetting(L"PetSize", 175);
    WriteSetting(L"PetX", 120);
    WriteSetting(L"PetY", 90);
    WriteStateString(L"NetworkDeviceId", L"dev-1234");
}

void ExpectStateOfThatPetKept(int x, int y) {
    EXPECT_EQ(ReadSetting(L"Energy"), 42u);
    EXPECT_EQ(ReadSetting(L"PetSize"), 175u);
    EXPECT_EQ(ReadSetting(L"PetX"), static_cast<DWORD>(x));
    EXPECT_EQ(ReadSetting(L"PetY"), static_cast<DWORD>(y));
    EXPECT_EQ(ReadStateString(L"NetworkDeviceId"), L"dev-1234");
}

void ExpectInstalled() {
    const InstallPaths paths = ExpectedPaths();
    EXPECT_TRUE(FileExists(paths.program)) << Narrow(paths.program);
    EXPECT_TRUE(FileExists(paths.uninstaller)) << Narrow(paths.uninstaller);
    EXPECT_EQ(ShortcutTarget(paths.shortcut), paths.program) << Narrow(paths.shortcut);

    EXPECT_EQ(ReadUninstallString(L"DisplayName"), L"咕噜兽");
    EXPECT_EQ(ReadUninstallString(L"DisplayVersion"), L"6.0.0");
    EXPECT_EQ(ReadUninstallString(L"Publisher"), L"Kiv");
    EXPECT_EQ(ReadUninstallString(L"DisplayIcon"), paths.program + L",0");
    EXPECT_EQ(ReadUninstallString(L"InstallLocation"), paths.directory);
    EXPECT_EQ(ReadUninstallString(L"UninstallString"), L"\"" + paths.uninstaller + L"\"");
    EXPECT_EQ(ReadUninstallString(L"QuietUninstallString"), L"\"" + paths.uninstaller + L"\" /S");
    // In KiB: at least the program itself.
    const auto size = ReadUninstallDword(L"EstimatedSize");
    ASSERT_TRUE(size);
    EXPECT_GE(*size * 1024ull, FileSize(paths.program));
    EXPECT_LT(*size, 64u * 1024u);
}

void ExpectUninstalled() {
    const InstallPaths paths = ExpectedPaths();
    EXPECT_FALSE(FileExists(paths.program));
    EXPECT_FALSE(FileExists(paths.uninstaller));
    EXPECT_FALSE(FileExists(paths.directory));
    EXPECT_FALSE(FileExists(paths.shortcut));
    EXPECT_FALSE(ReadUninstallString(L"DisplayName"));
}

// The way "Apps" removes a program quietly: its QuietUninstallString. The uninstaller hands over to a
// copy of itself and returns at once, so the end shows in the files.
void UninstallQuietly() {
    const auto command = ReadUninstallString(L"QuietUninstallString");
    ASSERT_TRUE(command);
    ASSERT_EQ(RunAndWait(*command, kSetupTimeout), 0u);
    ASSERT_TRUE(WaitUntilGone(ExpectedPaths().directory, kSetupTimeout)) << "the uninstaller did not finish";
}

TEST(Installer, SilentInstallThenUpgradeOverTheRunningPetThenSilentUninstallKeepingItsState) {
    StoreStateOfAPetThatLivedHere();
    ASSERT_EQ(InstallSilently(), 0u);
    ExpectInstalled();

    // Started from where the installer put it, it is the pet the user knows.
    const InstallPaths paths = ExpectedPaths();
    auto pet = std::make_unique<PetProcess>(paths.program);
    ASSERT_TRUE(pet->started());
    HWND window = WaitForWindow(pet->id(), kPetWindowClass, L"咕噜兽桌宠", 15s);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(WindowRect(window).left, 120);
    EXPECT_EQ(WindowRect(window).right - WindowRect(window).left, 175);
    // The user moves it without dropping it, so only the pet's own way out can save the new place.
    SetWindowPos(window, nullptr, 333, 211, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    // Updating over it closes it as the user would (it saves and ends with 0) and brings it back.
    ASSERT_EQ(InstallSilently(), 0u);
    EXPECT_EQ(pet->WaitForExit(5s), 0u) << "the running pet was not closed before its files were replaced";
    ExpectStateOfThatPetKept(333, 211);
    ExpectInstalled();
    RunningPet restarted = WaitForRunningPet(15s);
    ASSERT_NE(restarted.window, nullptr) << "the pet closed for the update did not come back";
    EXPECT_EQ(WindowRect(restarted.window).left, 333);
    EXPECT_EQ(WindowRect(restarted.window).top, 211);

    // Start-up entry as the settings centre writes it; one naming another copy is not the uninstaller's.
    WriteRunEntry(L"\"" + paths.program + L"\"");
    UninstallQuietly();
    EXPECT_EQ(restarted.WaitForExit(5s), 0u) << "the uninstaller did not close the running pet";
    ExpectUninstalled();
    EXPECT_FALSE(ReadRunEntry());
    ExpectStateOfThatPetKept(333, 211);

    ASSERT_EQ(InstallSilently(), 0u);
    WriteRunEntry(L"\"C:\\Portable\\MossquillDesktopPet.exe\"");
    UninstallQuietly();
    EXPECT_EQ(ReadRunEntry(), L"\"C:\\Portable\\MossquillDesktopPet.exe\"");
    DeleteRunEntry();
}

TEST(Installer, ThroughItsPagesItInstallsAndItsLastPageStartsThePet) {
    StoreStateOfAPetThatLivedHere();
    PetProcess setup(EnvironmentPath(L"MOSSQUILL_SETUP"));
    ASSERT_TRUE(setup.started());
    WizardWindow wizard = WaitForWizard(L"咕噜兽 安装", 20s);
    ASSERT_NE(wizard.window, nullptr) << "no installer window";
    ASSERT_TRUE(wizard.Next());  // welcome
    ASSERT_NE(wizard.WaitForControl(L"安装(&I)", 10s), nullptr) << "no folder page";
    ASSERT_TRUE(wizard.Next());
    HWND start = wizard.WaitForControl(L"启动咕噜兽", 30s);
    ASSERT_NE(start, nullptr) << "the last page does not offer to start the pet";
    EXPECT_EQ(SendMessageW(start, BM_GETCHECK, 0, 0), BST_CHECKED);
    ASSERT_TRUE(wizard.Next());  // "完成"
    EXPECT_EQ(setup.WaitForExit(15s), 0u);
    ExpectInstalled();

    RunningPet pet = WaitForRunningPet(15s);
    ASSERT_NE(pet.window, nullptr) << "the pet did not start";
    EXPECT_EQ(WindowRect(pet.window).left, 120);
    PostMessageW(pet.window, WM_CLOSE, 0, 0);
    EXPECT_EQ(pet.WaitForExit(10s), 0u);
    UninstallQuietly();
}

// A window of the pet's class, run by this process, that refuses to close: a pet that hangs.
class HungPetWindow {
public:
    HungPetWindow() {
        thread_ = std::thread([this] {
            WNDCLASSEXW windowClass{sizeof(windowClass)};
            windowClass.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
                return message == WM_CLOSE ? 0 : DefWindowProcW(window, message, wParam, lParam);
            };
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.lpszClassName = kPetWindowClass;
            RegisterClassExW(&windowClass);
            window_ = CreateWindowExW(0, kPetWindowClass, L"咕噜兽桌宠", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                      windowClass.hInstance, nullptr);
            threadId_ = GetCurrentThreadId();
            ready_ = true;
            MSG message;
            while (GetMessageW(&message, nullptr, 0, 0) > 0)
                DispatchMessageW(&message);
        });
        while (!ready_)
            std::this_thread::sleep_for(10ms);
    }
    ~HungPetWindow() {
        PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }

    bool created() const { return window_ != nullptr; }

private:
    std::thread thread_;
    std::atomic<bool> ready_ = false;
    std::atomic<DWORD> threadId_ = 0;
    std::atomic<HWND> window_ = nullptr;
};

TEST(Installer, APetThatDoesNotCloseStopsTheSilentInstallWithAFailure) {
    StoreStateOfAPetThatLivedHere();
    HungPetWindow hung;
    ASSERT_TRUE(hung.created());
    // 2: aborted; nothing replaced, nothing registered.
    EXPECT_EQ(InstallSilently(), 2u);
    EXPECT_FALSE(FileExists(ExpectedPaths().program));
    EXPECT_FALSE(ReadUninstallString(L"DisplayName"));
}

TEST(Installer, UninstallerRemovesThePetsStateOnlyWhenTheUserTicksTheBox) {
    for (const bool tick : {false, true}) {
        SCOPED_TRACE(tick ? "box ticked" : "box left alone");
        StoreStateOfAPetThatLivedHere();
        ASSERT_EQ(InstallSilently(), 0u);
        WriteRunEntry(L"\"" + ExpectedPaths().program + L"\"");
        const auto uninstaller = ReadUninstallString(L"UninstallString");
        ASSERT_TRUE(uninstaller);
        ASSERT_EQ(RunAndWait(*uninstaller, kSetupTimeout), 0u);

        WizardWindow wizard = WaitForWizard(L"咕噜兽", 20s);
        ASSERT_NE(wizard.window, nullptr) << "no uninstaller window";
        ASSERT_TRUE(wizard.Next());  // the confirmation page
        HWND box = wizard.WaitForControl(L"同时删除咕噜兽的状态和联机身份", 10s);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED) << "the state is kept unless asked";
        if (tick) SendMessageW(box, BM_CLICK, 0, 0);
        ASSERT_TRUE(wizard.Next());  // "卸载"
        ASSERT_NE(wizard.WaitForControl(L"完成(&F)", 30s), nullptr) << "the uninstaller did not reach its end";
        ASSERT_TRUE(wizard.Next());
        ASSERT_TRUE(WaitUntilGone(ExpectedPaths().directory, kSetupTimeout));

        ExpectUninstalled();
        EXPECT_FALSE(ReadRunEntry());
        if (tick) {
            EXPECT_FALSE(ReadSetting(L"Energy"));
            EXPECT_FALSE(ReadStateString(L"NetworkDeviceId"));
        } else {
            ExpectStateOfThatPetKept(120, 90);
        }
    }
}

}  // namespace
