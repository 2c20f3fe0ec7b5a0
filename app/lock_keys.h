#pragma once

#include <QByteArray>
#include <QObject>

namespace sorpex {

// The lights of the keyboard's three locks.
struct LockKeys {
    bool caps = false;
    bool num = false;
    bool scroll = false;
    bool operator==(const LockKeys&) const = default;
};

// Follows the lock lights of the keyboard and tells when they change.
class LockKeyWatcher : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    LockKeys keys() const { return m_keys; }

signals:
    void changed();

protected:
    void setKeys(LockKeys keys);

private:
    LockKeys m_keys;
};

// The lock lights where the platform tells them (X11 with its keyboard extension); nothing on
// other platforms (Wayland, offscreen).
LockKeyWatcher* watchPlatformLockKeys(QObject* parent);

// The lock lights of the X display of that name (empty: $DISPLAY), over a connection of the
// watcher's own; nothing when the display cannot be opened or has no keyboard extension.
LockKeyWatcher* watchX11LockKeys(const QByteArray& displayName, QObject* parent);

} // namespace sorpex
