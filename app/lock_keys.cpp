#include "app/lock_keys.h"

#include <QGuiApplication>
#include <QSocketNotifier>
#include <QtGui/qguiapplication_platform.h>

#include <memory>

// After Qt's headers: Xlib defines names such as None and Bool as macros.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace sorpex {

void LockKeyWatcher::setKeys(LockKeys keys) {
    if (keys != m_keys) {
        m_keys = keys;
        emit changed();
    }
}

namespace {

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayHandle = std::unique_ptr<Display, DisplayCloser>;

// The keyboard extension numbers its indicators per keymap; they are found by name.
unsigned indicatorBit(Display* display, const char* name) {
    int index = 0;
    Bool on = False;
    if (!XkbGetNamedIndicator(display, XInternAtom(display, name, False), &index, &on, nullptr, nullptr)) {
        return 0; // a keymap without this light: its pane stays grey
    }
    return 1u << index;
}

class X11LockKeyWatcher : public LockKeyWatcher {
public:
    X11LockKeyWatcher(DisplayHandle display, int xkbEventType, QObject* parent)
        : LockKeyWatcher(parent), m_display(std::move(display)), m_xkbEventType(xkbEventType),
          m_caps(indicatorBit(m_display.get(), "Caps Lock")), m_num(indicatorBit(m_display.get(), "Num Lock")),
          m_scroll(indicatorBit(m_display.get(), "Scroll Lock")) {
        XkbSelectEvents(m_display.get(), XkbUseCoreKbd, XkbIndicatorStateNotifyMask, XkbIndicatorStateNotifyMask);
        unsigned state = 0;
        XkbGetIndicatorState(m_display.get(), XkbUseCoreKbd, &state);
        show(state);
        auto* notifier = new QSocketNotifier(ConnectionNumber(m_display.get()), QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, &X11LockKeyWatcher::readEvents);
        // Anything already read into Xlib's queue would not wake the notifier.
        readEvents();
    }

private:
    void show(unsigned state) { setKeys({(state & m_caps) != 0, (state & m_num) != 0, (state & m_scroll) != 0}); }

    void readEvents() {
        while (XPending(m_display.get()) > 0) {
            XkbEvent event;
            XNextEvent(m_display.get(), &event.core);
            if (event.type == m_xkbEventType && event.any.xkb_type == XkbIndicatorStateNotify) {
                show(event.indicators.state);
            }
        }
    }

    DisplayHandle m_display;
    int m_xkbEventType;
    unsigned m_caps;
    unsigned m_num;
    unsigned m_scroll;
};

} // namespace

LockKeyWatcher* watchX11LockKeys(const QByteArray& displayName, QObject* parent) {
    int eventType = 0;
    int error = 0;
    int major = XkbMajorVersion;
    int minor = XkbMinorVersion;
    int reason = 0;
    DisplayHandle display(XkbOpenDisplay(displayName.isEmpty() ? nullptr : const_cast<char*>(displayName.constData()),
                                         &eventType, &error, &major, &minor, &reason));
    if (!display) {
        return nullptr;
    }
    return new X11LockKeyWatcher(std::move(display), eventType, parent);
}

LockKeyWatcher* watchPlatformLockKeys(QObject* parent) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return nullptr;
    }
    QByteArray name; // the display Qt was given, with -display as with $DISPLAY
#if QT_CONFIG(xcb)
    if (auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>(); x11 != nullptr && x11->display()) {
        name = DisplayString(x11->display());
    }
#endif
    return watchX11LockKeys(name, parent);
}

} // namespace sorpex
