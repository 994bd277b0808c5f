#pragma once

namespace download::texts {

// The engine's own texts, GBK.
// "创建文件错误，超出最大支持下载长度或磁盘不可写或磁盘没有空间或同名文件已存在"
inline constexpr const char* kCreateFileError =
    "\xB4\xB4\xBD\xA8\xCE\xC4\xBC\xFE\xB4\xED\xCE\xF3\xA3\xAC\xB3\xAC\xB3\xF6\xD7\xEE\xB4\xF3\xD6\xA7\xB3\xD6\xCF\xC2"
    "\xD4\xD8\xB3\xA4\xB6\xC8\xBB\xF2\xB4\xC5\xC5\xCC\xB2\xBB\xBF\xC9\xD0\xB4\xBB\xF2\xB4\xC5\xC5\xCC\xC3\xBB\xD3\xD0"
    "\xBF\xD5\xBC\xE4\xBB\xF2\xCD\xAC\xC3\xFB\xCE\xC4\xBC\xFE\xD2\xD1\xB4\xE6\xD4\xDA";
// "重定向到 [" ... "]"
inline constexpr const char* kRedirectedTo = "\xD6\xD8\xB6\xA8\xCF\xF2\xB5\xBD [";
// "获得重定向信息错误"
inline constexpr const char* kBadRedirect = "\xBB\xF1\xB5\xC3\xD6\xD8\xB6\xA8\xCF\xF2\xD0\xC5\xCF\xA2\xB4\xED\xCE\xF3";
// "出现错误"
inline constexpr const char* kErrorOccurred = "\xB3\xF6\xCF\xD6\xB4\xED\xCE\xF3";
// "暂时不支持的返回, 返回号[" ... "]"
inline constexpr const char* kUnsupportedAnswer =
    "\xD4\xDD\xCA\xB1\xB2\xBB\xD6\xA7\xB3\xD6\xB5\xC4\xB7\xB5\xBB\xD8, \xB7\xB5\xBB\xD8\xBA\xC5[";
// "等待" ... "秒后重试"
inline constexpr const char* kWaitPrefix = "\xB5\xC8\xB4\xFD";
inline constexpr const char* kRetrySuffix = "\xC3\xEB\xBA\xF3\xD6\xD8\xCA\xD4";
// "正在解析域名 [" ... "]"
inline constexpr const char* kResolving = "\xD5\xFD\xD4\xDA\xBD\xE2\xCE\xF6\xD3\xF2\xC3\xFB [";
// "正在连接 [" ... "]"
inline constexpr const char* kConnecting = "\xD5\xFD\xD4\xDA\xC1\xAC\xBD\xD3 [";
// "连接[" ... "]成功"
inline constexpr const char* kConnectedPrefix = "\xC1\xAC\xBD\xD3[";
inline constexpr const char* kSucceeded = "\xB3\xC9\xB9\xA6";
// "连接 [" ... "]失败" / "]超时"
inline constexpr const char* kConnectPrefix = "\xC1\xAC\xBD\xD3 [";
inline constexpr const char* kFailed = "\xCA\xA7\xB0\xDC";
inline constexpr const char* kTimedOut = "\xB3\xAC\xCA\xB1";
// "证书验证失败 [" ... "]": the server's certificate is not trusted or not for its host name
inline constexpr const char* kCertificateRefused = "\xD6\xA4\xCA\xE9\xD1\xE9\xD6\xA4\xCA\xA7\xB0\xDC [";
// "代理服务器拒绝 [" ... "]": the proxy answered 407 or refused the tunnel
inline constexpr const char* kProxyRefused = "\xB4\xFA\xC0\xED\xB7\xFE\xCE\xF1\xC6\xF7\xBE\xDC\xBE\xF8 [";
// "代理设置无效 [" ... "]": the proxy settings name no usable proxy
inline constexpr const char* kProxyInvalid = "\xB4\xFA\xC0\xED\xC9\xE8\xD6\xC3\xCE\xDE\xD0\xA7 [";
// "文件大小不符 [" ... "]": the server's file has another size than the expected one
inline constexpr const char* kSizeRefused = "\xCE\xC4\xBC\xFE\xB4\xF3\xD0\xA1\xB2\xBB\xB7\xFB [";
// "放弃下载源 [" ... "]"
inline constexpr const char* kSourceDropped = "\xB7\xC5\xC6\xFA\xCF\xC2\xD4\xD8\xD4\xB4 [";
// The GBK full-width space, trimmed from addresses like an ASCII blank.
inline constexpr const char* kFullWidthSpace = "\xA1\xA1";

}  // namespace download::texts
