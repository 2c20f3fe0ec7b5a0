#include "app/display_guard.h"

#include "app/batch_mode.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace sorpex {
namespace {

// Qt takes a plain function as its message handler, so the guard's state lives here; there is
// only ever one guard, in main.
std::string g_program;
QString g_held;
QtMessageHandler g_previous = nullptr;

void holdOrEnd(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        std::string line = noDisplayMessage(g_program.c_str(), getenv("DISPLAY"), getenv("WAYLAND_DISPLAY")) + "\n";
        if (write(STDERR_FILENO, line.data(), line.size()) < 0) {
            // Nowhere left to say it; the exit code still does.
        }
        _exit(kBatchNoDisplay);
    }
    g_held += qFormatLogMessage(type, context, text) + '\n';
}

} // namespace

std::string noDisplayMessage(const char* program, const char* display, const char* waylandDisplay) {
    auto given = [](const char* name, const char* value) {
        return value != nullptr && *value != '\0' ? std::string(name) + "=" + value : std::string();
    };
    std::string named = given("DISPLAY", display);
    if (std::string wayland = given("WAYLAND_DISPLAY", waylandDisplay); !wayland.empty()) {
        named += (named.empty() ? "" : ", ") + wayland;
    }
    const std::string cause = named.empty() ? "no display (DISPLAY and WAYLAND_DISPLAY are unset)"
                                            : "the window cannot open on the display (" + named + ")";
    return "sorpex: " + cause + "; to open the window without a desktop, start it under Xvfb: xvfb-run -a -s " +
           "'-screen 0 1280x800x24' " + program;
}

DisplayGuard::DisplayGuard(const char* program) {
    g_program = program;
    g_previous = qInstallMessageHandler(holdOrEnd);
}

DisplayGuard::~DisplayGuard() {
    qInstallMessageHandler(g_previous);
    if (!g_held.isEmpty()) {
        std::fputs(g_held.toLocal8Bit().constData(), stderr);
    }
    g_held.clear();
}

} // namespace sorpex
