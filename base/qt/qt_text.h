#pragma once

#include <QString>
#include <string>
#include <string_view>

// The widget boundary: the core's CP932 texts become QStrings here and back.
namespace sorpex {

QString fromCp932(std::string_view text);

// A character that CP932 cannot hold clears *ok (when given) and becomes '?'.
std::string toCp932(const QString& text, bool* ok = nullptr);

} // namespace sorpex
