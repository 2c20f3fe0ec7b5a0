#pragma once

#include <string>
#include <vector>

namespace sorpex {

// The argument the desktop entry starts SORPEX with.
inline constexpr const char* kFromMenuArgument = "--from-menu";

// Removes kFromMenuArgument from `args` wherever it stands; true when it was there.
bool takeFromMenuArgument(std::vector<std::string>& args);

// The folder a start from the desktop menu works in, keeping SORPEX.ini, the list and the
// reports together: $XDG_DATA_HOME/sorpex, or `home`/.local/share/sorpex when XDG_DATA_HOME is
// unset, empty or relative (the base directory rules). Empty when neither gives an absolute path.
std::string menuWorkFolder(const char* xdgDataHome, const char* home);

// $HOME, or the home folder of the password database when HOME is unset or relative.
std::string homeFolder();

// Creates `folder` and its missing parents, readable by the owner only as the settings may hold
// a mail password, and makes it the current folder. Returns 0 or the errno of the failing step.
int enterWorkFolder(const std::string& folder);

// The CP932 message that the folder cannot be used.
std::string workFolderMessage(const std::string& folder, int error);

} // namespace sorpex
