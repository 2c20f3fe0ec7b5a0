#pragma once

#include <QMainWindow>

namespace sorpex {

struct AppSettings;

// The main window.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(AppSettings& settings, QWidget* parent = nullptr);

private:
    AppSettings& m_settings;
};

} // namespace sorpex
