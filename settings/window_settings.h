#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace sorpex {

class IniFile;

// The main window as it was when it last closed, in the [Window] section of the settings file
// (the Windows version skips sections it does not know).
struct WindowSettings {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool maximized = false;
    std::vector<int> columnWidths; // in pixels, by column number
    std::vector<int> columnOrder;  // column numbers from left to right
};

// The section's values; nothing when it is missing or its size is none a window can have. A column
// list that is not whole (a width out of range, an order that is no arrangement of the columns)
// reads as empty, so the list starts with its own.
std::optional<WindowSettings> readWindowSettings(const IniFile& ini);
void storeWindowSettings(IniFile& ini, const WindowSettings& window);

// "50,150,120": at most `most` decimal numbers from `lowest` to `highest`; nothing for any other
// text.
std::optional<std::vector<int>> parseNumberList(std::string_view text, std::size_t most, int lowest, int highest);

} // namespace sorpex
