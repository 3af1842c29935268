// What the main window says, in one place (UTF-8), in the words of the README's term table:
// the account list's messages, the about page's texts and where its two web buttons lead.
#pragma once

#include <string>
#include <string_view>

namespace quorrel::main_texts {

inline constexpr char kTitle[] = "Quorrel";  // of the main window's messages

// A switch of the settings page whose value could not be written: before and after the path
// (the advice after the tail comes from store_texts::WriteAdvice, with kSwitchAgain).
inline constexpr char kSettingNotSavedHead[] = "设置没有保存，因为设置文件无法写入：";
inline constexpr char kSettingNotSavedTail[] = "原来的设置没有改动。";
inline constexpr char kSwitchAgain[] = "点一次这个开关";

// What did not happen; the reason follows (store_texts.h, exchange_texts.h).
inline constexpr char kCannotAdd[] = "不能添加账号。";
inline constexpr char kNotExported[] = "账号没有导出。";
inline constexpr char kNotDeleted[] = "账号没有删除。";
inline constexpr char kCannotOpenAccount[] = "这个账号现在打不开。";
// The step that tries each of them once more (after "再").
inline constexpr char kAddAgain[] = "点“添加”";
inline constexpr char kExportAgain[] = "点“导出”";
inline constexpr char kDeleteAgain[] = "点“删除”";
inline constexpr char kOpenAgain[] = "双击这个账号";

inline constexpr char kDeleteTitle[] = "删除账号";
// name and user as the list shows them (UTF-8).
inline std::string ConfirmDelete(std::string_view name, std::string_view user) {
  return "确定要删除账号“" + std::string(name) + " " + std::string(user) + "”吗？\r\n删除后无法恢复。";
}

}  // namespace quorrel::main_texts

namespace quorrel::about {

inline constexpr char kProgramName[] = "Quorrel";
inline constexpr char kVersionLabel[] = "Ver 1.62";
inline constexpr char kDescription[] =
    "这是一款可以辅助用户输入的非粘贴型密码输入工具。\r\n"
    "本软件无任何联网功能，不窃取用户隐私、数据。\r\n"
    "\r\n"
    "构建：mingw-w64、libgcrypt、libpng、zlib\r\n"
    "测试：GoogleTest、Wine";

inline constexpr char kForumButton[] = "交流论坛";
inline constexpr char kFeedbackButton[] = "软件反馈";
inline constexpr char kWeChatButton[] = "微信赞赏";
inline constexpr char kAlipayButton[] = "支付宝赞赏";

// Handed to the default browser; the program itself makes no connection.
inline constexpr char kForumAddress[] = "https://quorrel.example/forum";
inline constexpr char kFeedbackAddress[] = "https://quorrel.example/feedback";

}  // namespace quorrel::about
