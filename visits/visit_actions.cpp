#include "visits/visit_actions.h"

#include "render/picture_ids.h"

namespace {

constexpr VisitAction kActions[kVisitActionCount] = {
    {L"greet", L"挥手打招呼", PIC_GREET, L"greet"},
    {L"heart", L"发送爱心", PIC_HEART, L"heart"},
    {L"no_speech", L"无语", PIC_SPEECHLESS, L"no_speech"},
    {L"begging", L"乞讨", PIC_BEGGING, L"begging"},
    {L"flying", L"飞天开心", PIC_FLYING, L"flying"},
    {L"drink", L"干杯", PIC_DRINK, L"drink"},
    {L"wealth", L"一起发财", PIC_WEALTH, L"greet"},
    {L"eat", L"一起吃饭", PIC_EAT, L"drink"},
    {L"evil", L"邪恶一下", PIC_EVIL, L"no_speech"},
};

}  // namespace

const VisitAction* VisitActionAt(int index) {
    return index >= 0 && index < kVisitActionCount ? &kActions[index] : nullptr;
}

const wchar_t* VisitActionLabel(int index) {
    const VisitAction* action = VisitActionAt(index);
    return action ? action->label : L"";
}

VisitAction VisitActionForId(const std::wstring& id) {
    for (const VisitAction& action : kActions) {
        if (id == action.id) return action;
    }
    return VisitAction{L"", L"来打招呼", PIC_GREET, L""};
}
