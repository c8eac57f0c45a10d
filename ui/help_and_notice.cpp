#include "ui/help_and_notice.h"

#include "core/setting_names.h"

#include <shellapi.h>

#include <cwctype>

const wchar_t kUsageHelpText[] =
    L"咕噜兽桌宠 6.0.0\n"
    L"\n"
    L"• 单击摸摸；左键拖动；双击直接投喂；右键打开全部功能。\n"
    L"• 右上角只显示电量数字，投喂一次恢复 30 点。\n"
    L"• 状态背景出现后会渐隐，鼠标移到咕噜兽上会重新显现。\n"
    L"• 自动统计只累计按键次数，不读取文字和具体按键；可在设置中心关闭。\n"
    L"• 今日进度每天清零，本周等级每周一清零；已解锁形象永久保留。\n"
    L"• 可选择静止、沿边散步、随机乱窜或混合移动；等级越高散步越快。\n"
    L"• Ctrl + Alt + B 可直接选择在线好友并随机串门；漂流小纸条最多 60 字符。\n"
    L"• 来访先展示动作美术，再显示双方当前形象；右键来访窗口可以点赞或踩。\n"
    L"• 好友用配对码添加一次即可保存；对方不在线时不会保存消息。\n"
    L"• 开机启动、大小、提醒时间、昵称和联机选项均在设置中心。";

UpdateAnnouncement AnnouncementToShow(const UpdateAnnouncement& received) {
    UpdateAnnouncement shown = received;
    if (shown.id.empty()) {
        shown.id = L"mossquill-6.0.0-local";
        shown.title = L"咕噜兽 6.0 更新公告";
        shown.latestVersion = L"6.0.0";
        shown.message =
            L"新增快捷串门、漂流小纸条、点赞与踩、九种串门互动、自动输入成长、四种移动模式、开机启动和设置中心。\n\n"
            L"好友、昵称、设备身份和已解锁形象均会保留。";
    }
    return shown;
}

std::wstring UpdateNoticeText(const UpdateAnnouncement& shown, bool offersDownload) {
    return shown.title + L"\n版本：" + shown.latestVersion + L"\n\n" + shown.message +
           (offersDownload ? L"\n\n是否打开新版下载页面？" : L"\n\n当前没有可用的在线下载地址。");
}

bool IsWebAddress(const std::wstring& url) {
    auto startsWith = [&](const wchar_t* scheme) {
        const std::wstring prefix = scheme;
        if (url.size() <= prefix.size()) return false;
        for (size_t i = 0; i < prefix.size(); ++i) {
            if (std::towlower(url[i]) != prefix[i]) return false;
        }
        return true;
    };
    return startsWith(L"https://") || startsWith(L"http://");
}

void UpdateNotice::Show(HWND owner, Notices& notices, SettingsStore& settings) {
    const UpdateAnnouncement shown = AnnouncementToShow(announcement_);
    const bool offersDownload = IsWebAddress(shown.downloadUrl);
    const int answer = notices.Show(owner, UpdateNoticeText(shown, offersDownload), L"咕噜兽更新与公告",
                                    MB_ICONINFORMATION | (offersDownload ? MB_YESNO : MB_OK));
    settings.WriteSettingString(setting::kSeenAnnouncementId, shown.id);
    pending_ = false;
    if (answer == IDYES && offersDownload) {
        ShellExecuteW(owner, L"open", shown.downloadUrl.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    }
}
