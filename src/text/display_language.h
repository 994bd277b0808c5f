#pragma once
#include <string>

namespace text {

// The display-language code, decided once per process from the system default locale.
enum class DisplayCode { SC, TC, JP, Error };

// "SC", "TC", "JP" or "ERROR".
const char* displayCodeName(DisplayCode code);

// Decides the code from a locale identifier: its decimal text is compared with
// "2052", "1028" and "1041" in this order; anything else is Error.
DisplayCode detectDisplayLanguage(int localeId);

// Re-encodes a GBK text for display. SC: unchanged. TC: GBK to BIG5. JP: GBK to Shift-JIS.
// Error: unchanged as well, so a player on any other system still reads every message
// (the window shows it as GBK through Unicode) instead of blank lines.
std::string convertForDisplay(DisplayCode code, const std::string& gbk);

// The Windows code page in which a converted text is to be read: 936, 950 or 932.
unsigned displayCodePage(DisplayCode code);

}  // namespace text
