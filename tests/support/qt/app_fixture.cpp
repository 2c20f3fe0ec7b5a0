#include "tests/support/qt/app_fixture.h"

#include "app/main_frame.h"
#include "ui/sorpex_view.h"

#include <QItemSelectionModel>

namespace sorpex::test {

void AppFixture::start(const std::string& ini) {
    writeFileBytes(dir.file("SORPEX.ini"), ini);
    app = std::make_unique<CSORPEXApp>(dir.file("SORPEX.ini"), &ui, &clock);
    app->start();
}

CSORPEXView* AppFixture::view() const {
    return app->view();
}

QAbstractItemModel* AppFixture::list() const {
    return view()->model();
}

QString AppFixture::cell(int row, int column) const {
    return list()->index(row, column).data().toString();
}

QStringList AppFixture::column(int column) const {
    QStringList cells;
    for (int row = 0; row < list()->rowCount(); ++row) {
        cells << cell(row, column);
    }
    return cells;
}

QString AppFixture::title() const {
    return app->mainFrame()->windowTitle();
}

void AppFixture::selectRows(std::initializer_list<int> rows) {
    view()->clearSelection();
    for (int row : rows) {
        view()->selectionModel()->select(list()->index(row, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

} // namespace sorpex::test
