#pragma once
// Text conversions with the rules the settings and the edit fields follow.
#include <optional>
#include <string>

// Removes leading and trailing characters of code 0 to 32.
std::string TrimControl(const std::string& text);

// A whole text as a signed 32-bit integer: optional leading blanks, an optional
// sign, then decimal digits, or hexadecimal digits after "$", "x", "X", "0x", "0X".
std::optional<int> TryStrToInt(const std::string& text);
inline bool IsValidInteger(const std::string& text) { return TryStrToInt(text).has_value(); }
inline int StrToIntDef(const std::string& text, int def) { return TryStrToInt(text).value_or(def); }

// Case-insensitive comparison of two ASCII texts.
bool SameText(const std::string& a, const std::string& b);
std::string LowerCase(std::string text);
std::string UpperCase(std::string text);
