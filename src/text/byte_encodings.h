#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace text {

// Lower-case hexadecimal, two digits per byte.
std::string lowerHex(std::string_view bytes);
// Hexadecimal digits of either case, two per byte; nothing for an odd count or another character.
std::optional<std::string> fromHex(std::string_view digits);

// Standard base64 (RFC 4648, "+/" and "=" padding).
std::string toBase64(std::string_view bytes);
// Standard base64 with its padding; nothing for any other character, a missing or misplaced
// '=', or bits left over in the last character.
std::optional<std::string> fromBase64(std::string_view encoded);

}  // namespace text
