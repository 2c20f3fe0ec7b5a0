#pragma once

#include "settings/window_settings.h"

#include <optional>

class QMainWindow;

namespace sorpex {

class CSORPEXView;

// The window and its list as they last closed, or on a first start a window that fits the screen
// and shows every column it can, the supplies too.
void restoreWindow(QMainWindow& window, CSORPEXView& list, const std::optional<WindowSettings>& saved);

// The window's normal place and size, whether it is maximised, and the list's column widths and
// order, for the settings file.
WindowSettings currentWindow(const QMainWindow& window, const CSORPEXView& list);

} // namespace sorpex
