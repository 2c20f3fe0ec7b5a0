#include "app/main_frame.h"
#include "settings/app_settings.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // Qt's own texts in Japanese, so the standard buttons read OK / キャンセル / はい / いいえ.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Japanese), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        application.installTranslator(&qtTranslator);
    }
    sorpex::AppSettings settings;
    sorpex::readSettingsFile(settings, sorpex::defaultSettingsFilePath());
    sorpex::applySettings(settings);

    sorpex::CMainFrame frame(settings);
    frame.show();
    return application.exec();
}
