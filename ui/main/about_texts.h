// What the about page says and where its two web buttons lead, in one place (UTF-8).
#pragma once

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
