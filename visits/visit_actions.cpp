#include "visits/visit_actions.h"

#include "core/picture_ids.h"

#include <algorithm>
#include <array>

namespace {

struct ActionLook {
    const wchar_t* label;
    int picture;
};

// In the protocol's order.
constexpr ActionLook kLooks[kVisitActionCount] = {
    {L"挥手打招呼", PIC_GREET}, {L"发送爱心", PIC_HEART},  {L"无语", PIC_SPEECHLESS},
    {L"乞讨", PIC_BEGGING},     {L"飞天开心", PIC_FLYING}, {L"干杯", PIC_DRINK},
    {L"一起发财", PIC_WEALTH},  {L"一起吃饭", PIC_EAT},    {L"邪恶一下", PIC_EVIL},
};

constexpr std::array<VisitAction, kVisitActionCount> kActions = [] {
    std::array<VisitAction, kVisitActionCount> actions{};
    for (int i = 0; i < kVisitActionCount; ++i) {
        const auto& ids = mossquill::protocol::kVisitActions[i];
        actions[i] = VisitAction{ids.id, kLooks[i].label, kLooks[i].picture, ids.legacyId};
    }
    return actions;
}();

// Ids are ASCII, so a wide id matches when its units equal the id's bytes one for one.
bool SameId(const std::wstring& wide, std::string_view id) {
    return std::equal(wide.begin(), wide.end(), id.begin(), id.end(),
                      [](wchar_t unit, char byte) { return unit == static_cast<unsigned char>(byte); });
}

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
        if (SameId(id, action.id)) return action;
    }
    return VisitAction{"", L"来打招呼", PIC_GREET, ""};
}
