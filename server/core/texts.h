#pragma once

#include <string_view>

// Every text a client may show to its user, in one place.
namespace mossquill::service::texts {

inline constexpr std::string_view kWrongAppKey = "应用密钥无效，请使用正式版咕噜兽。";
inline constexpr std::string_view kBadIdentity = "联机身份无效，请重新注册咕噜兽联机。";
inline constexpr std::string_view kNotFound = "没有这个联机接口。";
inline constexpr std::string_view kMethodNotAllowed = "这个联机接口不支持这种请求方式。";
inline constexpr std::string_view kBodyTooLarge = "请求内容太大。";
inline constexpr std::string_view kHeadersTooLarge = "请求头太大。";
inline constexpr std::string_view kBadRequest = "无法识别的请求。";
inline constexpr std::string_view kNotJsonContent = "请求内容必须是 JSON。";
inline constexpr std::string_view kInvalidUtf8 = "请求内容不是有效的 UTF-8 文本。";
inline constexpr std::string_view kInvalidJson = "请求内容不是有效的 JSON。";
inline constexpr std::string_view kNotJsonObject = "请求内容必须是 JSON 对象。";
inline constexpr std::string_view kWebSocketRequired = "这个接口需要 WebSocket 连接。";
inline constexpr std::string_view kInternalError = "咕噜兽联机服务出了点问题，请稍后再试。";
inline constexpr std::string_view kStorageUnavailable = "咕噜兽联机服务正在维护，暂时无法使用，请稍后再试。";

inline constexpr std::string_view kNicknameMissing = "请填写昵称。";
inline constexpr std::string_view kNicknameEmpty = "昵称不能为空。";
inline constexpr std::string_view kNicknameTooLong = "昵称最多 12 个字符。";
inline constexpr std::string_view kNicknameControl = "昵称不能包含控制字符。";
inline constexpr std::string_view kAppearanceInvalid = "外观编号必须是 0 到 3 的整数。";
inline constexpr std::string_view kProfileEmpty = "没有要修改的资料。";
inline constexpr std::string_view kTooManyRegistrations = "注册太频繁，请稍后再试。";
inline constexpr std::string_view kTooManyConnections = "连接太频繁，请稍后再试。";
inline constexpr std::string_view kTooManyChanges = "操作太频繁，请稍后再试。";

inline constexpr std::string_view kCodeFormat = "配对码应为 6 位数字。";
inline constexpr std::string_view kCodeInvalid = "配对码无效或已过期。";
inline constexpr std::string_view kOwnCode = "这是你自己的配对码，请把它告诉好友。";
inline constexpr std::string_view kAlreadyFriends = "你们已经是好友了。";
inline constexpr std::string_view kTooManyAttempts = "尝试次数太多，请稍后再试。";
inline constexpr std::string_view kFriendLimit = "好友数量已达上限。";
inline constexpr std::string_view kNotAFriend = "对方不在你的好友列表里。";
inline constexpr std::string_view kCodesExhausted = "暂时无法生成配对码，请稍后再试。";

inline constexpr std::string_view kMessageNotJson = "消息不是有效的 JSON。";
inline constexpr std::string_view kMessageNotText = "只接受 JSON 文本消息。";
inline constexpr std::string_view kMessageTypeUnknown = "不支持的消息类型。";
inline constexpr std::string_view kTargetMissing = "没有指定要串门的好友。";
inline constexpr std::string_view kNotFriend = "对方不是你的好友，无法串门。";
inline constexpr std::string_view kFriendOffline = "好友现在不在线，这次串门不会保存，也不会稍后补发。";
inline constexpr std::string_view kNotFriendReaction = "对方不是你的好友，无法回应。";
inline constexpr std::string_view kFriendOfflineReaction = "好友现在不在线，这次回应没有送达。";
inline constexpr std::string_view kActionInvalid = "不认识这个串门动作。";
inline constexpr std::string_view kNoteInvalid = "小纸条必须是文字。";
inline constexpr std::string_view kNoteTooLong = "小纸条最多 60 个字符。";
inline constexpr std::string_view kNoteControl = "小纸条不能包含控制字符。";
inline constexpr std::string_view kReactionInvalid = "回应只能是点赞或踩一下。";
inline constexpr std::string_view kSendingTooFast = "发送太频繁，请稍后再试。";

}  // namespace mossquill::service::texts
