#pragma once

#include <string>

namespace sorpex {

// The one line a window start without a display ends with: what is missing and how to start the
// window under Xvfb instead. `display` and `waylandDisplay` are the environment's (null: unset).
std::string noDisplayMessage(const char* program, const char* display, const char* waylandDisplay);

// While it lives (around the making of the QApplication), a platform plugin that cannot start
// ends the process with noDisplayMessage and kBatchNoDisplay instead of Qt's abort, and what Qt
// says meanwhile is held back: passed on to stderr when the window could open, dropped when not.
class DisplayGuard {
public:
    explicit DisplayGuard(const char* program);
    ~DisplayGuard();
    DisplayGuard(const DisplayGuard&) = delete;
    DisplayGuard& operator=(const DisplayGuard&) = delete;
};

} // namespace sorpex
