#include "app/batch_mode.h"
#include "app/sorpex_app.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <clocale>
#include <csignal>
#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
    // A write past the file-size limit fails with EFBIG, so a save reports it and removes its
    // temporary file, instead of the signal ending the process on the spot.
    std::signal(SIGXFSZ, SIG_IGN);
    std::vector<std::string> args(argv + 1, argv + argc);
    if (sorpex::wantsBatchMode(args)) {
        // No QApplication: the batch mode runs where there is no display.
        std::setlocale(LC_ALL, "");
        return sorpex::runBatchMode(args, std::cout, std::cerr, isatty(STDERR_FILENO) != 0);
    }
    QApplication application(argc, argv);
    // Qt's own texts in Japanese, so the standard buttons read OK / キャンセル / はい / いいえ.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Japanese), "qtbase", "_",
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        application.installTranslator(&qtTranslator);
    }
    sorpex::CSORPEXApp app(sorpex::defaultSettingsFilePath());
    app.start();
    return application.exec();
}
