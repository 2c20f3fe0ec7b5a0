#include "app/main_frame.h"

#include "app/qt_text.h"
#include "settings/app_settings.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace sorpex {

CMainFrame::CMainFrame(AppSettings& settings, QWidget* parent) : QMainWindow(parent), m_settings(settings) {
    setObjectName("mainFrame");
    QString program = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    setWindowTitle(QString::fromUtf8("無題 - ") + program);
    resize(1024, 600);
}

} // namespace sorpex
