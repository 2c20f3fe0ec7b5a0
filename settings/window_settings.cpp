#include "settings/window_settings.h"

#include "settings/ini_file.h"

#include <algorithm>
#include <charconv>
#include <string>

namespace sorpex {
namespace {

constexpr std::string_view kWindow = "Window";
constexpr int kLargest = 32767; // what a window system takes for a coordinate
constexpr int kSmallestSide = 100;
constexpr std::size_t kMostColumns = 64;

std::optional<int> number(const IniFile& ini, std::string_view key, int lowest, int highest) {
    std::optional<std::string> text = ini.value(kWindow, key);
    if (!text) {
        return std::nullopt;
    }
    std::optional<std::vector<int>> one = parseNumberList(*text, 1, lowest, highest);
    if (!one || one->size() != 1) {
        return std::nullopt;
    }
    return one->front();
}

std::string joined(const std::vector<int>& numbers) {
    std::string text;
    for (int n : numbers) {
        text += (text.empty() ? "" : ",") + std::to_string(n);
    }
    return text;
}

bool isArrangement(std::vector<int> order) {
    std::sort(order.begin(), order.end());
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (order[i] != static_cast<int>(i)) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<std::vector<int>> parseNumberList(std::string_view text, std::size_t most, int lowest, int highest) {
    std::vector<int> numbers;
    const char* at = text.data();
    const char* end = text.data() + text.size();
    while (at < end) {
        int value = 0;
        auto [next, error] = std::from_chars(at, end, value);
        if (error != std::errc() || value < lowest || value > highest || numbers.size() == most) {
            return std::nullopt;
        }
        numbers.push_back(value);
        if (next < end && *next != ',') {
            return std::nullopt;
        }
        at = next < end ? next + 1 : next;
        if (next < end && at == end) {
            return std::nullopt; // a trailing comma
        }
    }
    return numbers;
}

std::optional<WindowSettings> readWindowSettings(const IniFile& ini) {
    std::optional<int> left = number(ini, "Left", -kLargest, kLargest);
    std::optional<int> top = number(ini, "Top", -kLargest, kLargest);
    std::optional<int> width = number(ini, "Width", kSmallestSide, kLargest);
    std::optional<int> height = number(ini, "Height", kSmallestSide, kLargest);
    if (!left || !top || !width || !height) {
        return std::nullopt;
    }
    WindowSettings window{*left, *top, *width, *height, number(ini, "Maximized", 0, 1).value_or(0) == 1, {}, {}};
    std::optional<std::string> widths = ini.value(kWindow, "ColumnWidths");
    if (auto list = parseNumberList(widths.value_or(""), kMostColumns, 1, kLargest)) {
        window.columnWidths = *list;
    }
    std::optional<std::string> order = ini.value(kWindow, "ColumnOrder");
    if (auto list = parseNumberList(order.value_or(""), kMostColumns, 0, kMostColumns - 1);
        list && isArrangement(*list)) {
        window.columnOrder = *list;
    }
    return window;
}

void storeWindowSettings(IniFile& ini, const WindowSettings& window) {
    ini.setValue(kWindow, "Left", std::to_string(window.left));
    ini.setValue(kWindow, "Top", std::to_string(window.top));
    ini.setValue(kWindow, "Width", std::to_string(window.width));
    ini.setValue(kWindow, "Height", std::to_string(window.height));
    ini.setValue(kWindow, "Maximized", window.maximized ? "1" : "0");
    ini.setValue(kWindow, "ColumnWidths", joined(window.columnWidths));
    ini.setValue(kWindow, "ColumnOrder", joined(window.columnOrder));
}

} // namespace sorpex
