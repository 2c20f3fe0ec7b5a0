#include "app/batch_mode.h"
#include "app/console_text.h"
#include "app/dark_palette.h"
#include "app/display_guard.h"
#include "app/program_icon.h"
#include "app/sorpex_app.h"
#include "app/work_folder.h"
#include "base/core_dumps.h"
#include "base/qt/qt_interaction.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QStyleFactory>
#include <QTranslator>

#include <clocale>
#include <csignal>
#include <iostream>
#include <optional>
#include <string_view>
#include <unistd.h>

int main(int argc, char** argv) {
    sorpex::limitCoreDumps(getenv(sorpex::kCoreDumpVariable));
    // A write past the file-size limit fails with EFBIG, so a save reports it and removes its
    // temporary file, instead of the signal ending the process on the spot.
    std::signal(SIGXFSZ, SIG_IGN);
    // A closed pipe on stdout gives EPIPE, said on stderr; the run's result stays the exit code.
    std::signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> args(argv + 1, argv + argc);
    // Started from the desktop menu, whose working folder is the home folder, SORPEX works in a
    // folder of its own; started from a shell, in the current folder.
    std::string message;
    if (sorpex::takeFromMenuArgument(args)) {
        std::string folder = sorpex::menuWorkFolder(getenv("XDG_DATA_HOME"), sorpex::homeFolder().c_str());
        if (int error = sorpex::enterWorkFolder(folder); error != 0) {
            message = sorpex::workFolderMessage(folder, error);
        }
    }
    if (sorpex::wantsBatchMode(args)) {
        // No QApplication: the batch mode runs where there is no display.
        std::setlocale(LC_ALL, "");
        if (!message.empty()) {
            std::cerr << sorpex::consoleText(message) << '\n';
            return sorpex::kBatchListUnreadable;
        }
        return sorpex::runBatchMode(args, std::cout, std::cerr, isatty(STDERR_FILENO) != 0);
    }
    // What is left is the list the window opens, as Open would (a file manager's "open with").
    const std::string list = args.empty() ? std::string() : args.front();
    std::optional<sorpex::DisplayGuard> guard(std::in_place, argv[0]);
    QApplication application(argc, argv);
    guard.reset();
    application.setWindowIcon(sorpex::programIcon());
    application.setDesktopFileName("sorpex");
    if (const char* palette = getenv("SORPEX_PALETTE"); palette != nullptr && std::string_view(palette) == "dark") {
        application.setStyle(QStyleFactory::create("Fusion"));
        application.setPalette(sorpex::darkFusionPalette());
    }
    // Qt's own texts in Japanese, so the standard buttons read OK / キャンセル / はい / いいえ.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Japanese), "qtbase", "_",
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        application.installTranslator(&qtTranslator);
    }
    if (!message.empty()) {
        sorpex::QtInteraction().showMessage(message, sorpex::MessageIcon::Stop, sorpex::MessageButtons::Ok);
        return 1;
    }
    sorpex::CSORPEXApp app(sorpex::defaultSettingsFilePath());
    app.start(list);
    return application.exec();
}
