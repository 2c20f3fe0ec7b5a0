#include "base/qt/qt_interaction.h"
#include "inventory/file_commands.h"
#include "settings/app_settings.h"
#include "tests/support/qt/modal_driver.h"
#include "tests/support/temp_dir.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFileDialog>
#include <QtTest>

using namespace sorpex;
using namespace sorpex::test;

class FileChoosersTest : public QObject {
    Q_OBJECT

private slots:
    void openAndSaveAsShowTheirFilterOnceAndListOnlyCsvFiles();

private:
    // The filters the chooser offers and the files it lists, as the user sees them.
    void look(const std::function<void()>& open, QStringList& filters, QStringList& files);
};

void FileChoosersTest::look(const std::function<void()>& open, QStringList& filters, QStringList& files) {
    ModalDriver driver;
    driver.run("fileChooser", open, [&](QWidget* dialog) {
        auto* combo = control<QComboBox>(dialog, "fileTypeCombo");
        for (int i = 0; i < combo->count(); ++i) {
            filters << combo->itemText(i);
        }
        // The folder is read in the background.
        auto* list = control<QAbstractItemView>(dialog, "listView");
        QTRY_VERIFY(list->model()->rowCount(list->rootIndex()) > 0);
        for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row) {
            files << list->model()->index(row, 0, list->rootIndex()).data().toString();
        }
    });
}

void FileChoosersTest::openAndSaveAsShowTheirFilterOnceAndListOnlyCsvFiles() {
    TempDir dir;
    for (const char* name : {"list.csv", "list.scv", "notes.txt"}) {
        writeFileBytes(dir.file(name), "x");
    }
    QtInteraction ui;
    QStringList filters;
    QStringList files;
    FileChooserRequest open = openFileRequest();
    open.initialFolder = dir.path().string();
    look([&] { QCOMPARE(ui.chooseOpenFile(open), std::nullopt); }, filters, files);
    QCOMPARE(filters, QStringList{QString::fromUtf8("CSVファイル(*.csv)")});
    QCOMPARE(files, QStringList{"list.csv"});

    filters.clear();
    files.clear();
    AppSettings settings;
    settings.defaultSavePath = dir.path().string();
    look([&] { QCOMPARE(ui.chooseSaveFile(saveFileRequest(settings, "")), std::nullopt); }, filters, files);
    QCOMPARE(filters, QStringList{"CSV Files(.scv)"}); // the old program's own text
    QCOMPARE(files, QStringList{"list.csv"});
}

QTEST_MAIN(FileChoosersTest)
#include "file_choosers_test.moc"
