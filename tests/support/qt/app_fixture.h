#pragma once

#include "app/sorpex_app.h"
#include "tests/support/manual_clock.h"
#include "tests/support/qt/modal_driver.h"
#include "tests/support/scripted_interaction.h"
#include "tests/support/temp_dir.h"

#include <QString>
#include <QStringList>

#include <initializer_list>
#include <memory>
#include <string>

class QAbstractItemModel;

namespace sorpex::test {

// The application in a folder of its own, with a scripted user for the message boxes, a driver
// for its own dialogs and menus, and a clock the test moves (it starts at the present time).
struct AppFixture {
    TempDir dir;
    ScriptedInteraction ui;
    ManualClock clock{std::time(nullptr)};
    ModalDriver driver;
    std::unique_ptr<CSORPEXApp> app;

    // Not started: the test prepares its files in `dir` first, then calls start.
    AppFixture() = default;
    // Started on a settings file with these contents.
    explicit AppFixture(const std::string& ini) { start(ini); }

    // Writes SORPEX.ini and starts the application on it.
    void start(const std::string& ini);

    PrinterTable& table() { return app->table(); }
    CSORPEXView* view() const;
    QAbstractItemModel* list() const;
    QString cell(int row, int column) const;
    QStringList column(int column) const;
    QString title() const;
    // Selects exactly these list rows.
    void selectRows(std::initializer_list<int> rows);
};

} // namespace sorpex::test
