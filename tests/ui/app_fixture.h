#pragma once

#include "app/sorpex_app.h"
#include "tests/support/scripted_interaction.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/modal_driver.h"
#include "ui/sorpex_view.h"

#include <QItemSelectionModel>

#include <initializer_list>
#include <memory>
#include <string>

namespace sorpex::test {

// A started application in a folder of its own, with a scripted user for the message boxes and
// a driver for its own dialogs and menus.
struct AppFixture {
    TempDir dir;
    ScriptedInteraction ui;
    std::unique_ptr<CSORPEXApp> app;
    ModalDriver driver;

    explicit AppFixture(const std::string& ini = "") {
        writeFileBytes(dir.file("SORPEX.ini"), ini);
        app = std::make_unique<CSORPEXApp>(dir.file("SORPEX.ini"), &ui);
        app->start();
    }
    PrinterTable& table() { return app->table(); }
    CSORPEXView* view() { return app->view(); }
    // Selects exactly these list rows.
    void selectRows(std::initializer_list<int> rows) {
        view()->clearSelection();
        for (int row : rows) {
            view()->selectionModel()->select(view()->model()->index(row, 0),
                                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
};

} // namespace sorpex::test
