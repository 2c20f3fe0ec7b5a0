#pragma once

#include <string>
#include <string_view>

namespace sorpex {

// A CP932 text in the terminal's character set: unchanged when the locale's codeset is
// Shift_JIS or CP932, else UTF-8. Call setlocale(LC_ALL, "") first.
std::string consoleText(std::string_view text);

} // namespace sorpex
