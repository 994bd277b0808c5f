#pragma once

// The window's component names as GBK bytes, in creation order.
namespace ui::names {

inline constexpr const char* kClient1 = "\xBF\xCD\xBB\xA7""1";  // 客户1
inline constexpr const char* kLabelProgressPercent = "\xB1\xEA\xC7\xA9_\xB8\xFC\xD0\xC2\xBD\xF8\xB6\xC8";  // 标签_更新进度
inline constexpr const char* kTimerSaveTaskAndSpeed =
    "\xCA\xB1\xD6\xD3_\xB1\xA3\xB4\xE6\xC8\xCE\xCE\xF1\xCA\xFD\xBE\xDD\xC8\xA1\xCF\xC2\xD4\xD8\xCB\xD9\xB6\xC8";  // 时钟_保存任务数据取下载速度
inline constexpr const char* kTimerProgress = "\xCA\xB1\xD6\xD3_\xBD\xF8\xB6\xC8\xB8\xFC\xD0\xC2";  // 时钟_进度更新
inline constexpr const char* kLabelPing = "\xB1\xEA\xC7\xA9_PING";  // 标签_PING
inline constexpr const char* kLabelLatencyCaption = "\xB1\xEA\xC7\xA9_\xCD\xF8\xC2\xE7\xD1\xD3\xB3\xD9";  // 标签_网络延迟
inline constexpr const char* kProgressBar = "\xBD\xF8\xB6\xC8\xCC\xF5_\xCF\xC2\xD4\xD8\xBD\xF8\xB6\xC8";  // 进度条_下载进度
inline constexpr const char* kLabelProgressStrip = "\xB1\xEA\xC7\xA9_\xBD\xF8\xB6\xC8\xCC\xF5";  // 标签_进度条
inline constexpr const char* kWebView =
    "\xB3\xAC\xCE\xC4\xB1\xBE\xE4\xAF\xC0\xC0\xBF\xF2_\xCD\xF8\xD2\xB3\xB9\xAB\xB8\xE6";  // 超文本浏览框_网页公告
inline constexpr const char* kPictureZone = "\xCD\xBC\xC6\xAC\xBF\xF2""3";  // 图片框3
inline constexpr const char* kComboZone = "\xD7\xE9\xBA\xCF\xBF\xF2_\xB7\xD6\xC7\xF8";  // 组合框_分区
inline constexpr const char* kLabelVersion = "\xB1\xEA\xC7\xA9_\xB5\xC7\xC2\xBD\xC6\xF7\xB0\xE6\xB1\xBE";  // 标签_登陆器版本
inline constexpr const char* kPictureStatus = "\xCD\xBC\xC6\xAC\xBF\xF2""2";  // 图片框2
inline constexpr const char* kButtonHome = "\xB0\xB4\xC5\xA5_\xB9\xD9\xCD\xF8";  // 按钮_官网
inline constexpr const char* kButtonForum = "\xB0\xB4\xC5\xA5_\xC2\xDB\xCC\xB3";  // 按钮_论坛
inline constexpr const char* kButtonRegister = "\xB0\xB4\xC5\xA5_\xD7\xA2\xB2\xE1";  // 按钮_注册
inline constexpr const char* kButtonQQGroup = "\xB0\xB4\xC5\xA5_QQ\xC8\xBA";  // 按钮_QQ群
inline constexpr const char* kButtonRecharge = "\xB3\xE4\xD6\xB5";  // 充值
inline constexpr const char* kButtonHelp1 = "\xB0\xB4\xC5\xA5_\xB0\xEF\xD6\xFA""1";  // 按钮_帮助1
inline constexpr const char* kButtonHelp2 = "\xB0\xB4\xC5\xA5_\xB0\xEF\xD6\xFA""2";  // 按钮_帮助2
inline constexpr const char* kButtonHelp3 = "\xB0\xB4\xC5\xA5_\xB0\xEF\xD6\xFA""3";  // 按钮_帮助3
inline constexpr const char* kButtonHelp4 = "\xB0\xB4\xC5\xA5_\xB0\xEF\xD6\xFA""4";  // 按钮_帮助4
inline constexpr const char* kButtonClose = "\xB0\xB4\xC5\xA5_\xB9\xD8\xB1\xD5";  // 按钮_关闭
inline constexpr const char* kButtonMinimise = "\xB0\xB4\xC5\xA5_\xD7\xEE\xD0\xA1\xBB\xAF";  // 按钮_最小化
inline constexpr const char* kLabelUpdateInfo = "\xB1\xEA\xC7\xA9_\xB8\xFC\xD0\xC2\xD0\xC5\xCF\xA2";  // 标签_更新信息
inline constexpr const char* kButtonStartUpdate = "\xB0\xB4\xC5\xA5_\xBF\xAA\xCA\xBC\xB8\xFC\xD0\xC2";  // 按钮_开始更新
inline constexpr const char* kButtonStartGame = "\xB0\xB4\xC5\xA5_\xBF\xAA\xCA\xBC\xD3\xCE\xCF\xB7";  // 按钮_开始游戏

}  // namespace ui::names
