#include "inventory/file_commands.h"

#include "base/cp932.h"
#include "inventory/csv_file.h"
#include "settings/app_settings.h"
#include "tests/support/manual_clock.h"
#include "tests/support/scripted_interaction.h"
#include "tests/support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <regex>
#include <string>
#include <vector>

using namespace sorpex;
using namespace sorpex::test;

namespace {

const char* const kSaveChanges = "リスト内容が変更されました。\nファイルを保存しますか？";

class RecordingView : public DocumentView {
public:
    void setWindowTitle(std::string_view title) override { titles.push_back(cp932::toUtf8(title)); }
    void refreshList() override { ++refreshes; }
    void clearList() override { ++clears; }

    std::vector<std::string> titles; // UTF-8
    int refreshes = 0;
    int clears = 0;
};

// 2024-03-05 09:08:07 UTC.
const ManualClock kFixedClock(1709629687, ManualClock::Utc);

LocalTime fixedTime() {
    return kFixedClock.localNow();
}

class FileCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.settingsFilePath = dir.file("SORPEX.ini");
        settings.defaultSavePath = dir.file("reports");
        std::filesystem::create_directory(settings.defaultSavePath);
        table.appendRecord("10.0.0.1", "public", "first");
        table.appendRecord("10.0.0.2", "public", "second");
    }

    std::string writeList(const std::string& name, std::string_view rows) {
        std::string path = dir.file(name);
        writeFileBytes(path, std::string(kCsvHeader) + "\r\n" + std::string(rows));
        return path;
    }

    TempDir dir;
    PrinterTable table;
    DocumentState document;
    AppSettings settings;
    ScriptedInteraction ui;
    RecordingView view;
    FileCommands commands{table, document, settings, ui, view, "SORPEX", kFixedClock};
};

} // namespace

TEST(AutoFileName, StampsTheTimeIntoTheSaveFolderOrTheSettingsFolder) {
    AppSettings settings;
    settings.settingsFilePath = "/home/admin/SORPEX.ini";
    settings.defaultSavePath = "/srv/reports";
    EXPECT_EQ(autoFileName(settings, fixedTime()), "/srv/reports/SORPEX_20240305090807.csv");
    settings.defaultSavePath = "/srv/reports/";
    EXPECT_EQ(autoFileName(settings, fixedTime()), "/srv/reports/SORPEX_20240305090807.csv");
    settings.defaultSavePath.clear();
    EXPECT_EQ(autoFileName(settings, fixedTime()), "/home/admin/SORPEX_20240305090807.csv");
}

TEST(WindowTitle, NamesTheFileWithoutFolderAndExtension) {
    EXPECT_EQ(cp932::toUtf8(windowTitle("", "SORPEX")), "無題 - SORPEX");
    EXPECT_EQ(windowTitle("/data/v1.2/list.2024.csv", "SORPEX"), "list.2024 - SORPEX");
    EXPECT_EQ(windowTitle("list", "SORPEX"), "list - SORPEX");
    std::string japanese = cp932::fromUtf8("/共有/表示一覧.csv"); // 表 ends in the byte 0x5C
    EXPECT_EQ(cp932::toUtf8(windowTitle(japanese, "SORPEX")), "表示一覧 - SORPEX");
}

TEST_F(FileCommandsTest, YesThenCancelledSaveAsAbandonsNewAndKeepsModified) {
    ui.answerNext(Answer::Yes);
    ui.chooseNext(std::nullopt);
    commands.fileNew();
    ASSERT_EQ(ui.texts(), (std::vector<std::string>{kSaveChanges}));
    EXPECT_EQ(ui.shown[0].icon, MessageIcon::Question);
    EXPECT_EQ(ui.shown[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_TRUE(table.modified());
    EXPECT_EQ(view.clears, 0);
    EXPECT_TRUE(view.titles.empty());
}

TEST_F(FileCommandsTest, YesThenFailedSaveAsAbandonsOpen) {
    ui.answerNext(Answer::Yes);
    ui.chooseNext(dir.file("missing/list.csv"));
    commands.fileOpen();
    EXPECT_EQ(ui.texts(), (std::vector<std::string>{kSaveChanges, "ファイル書込みできません\nError Code = 2"}));
    ASSERT_EQ(ui.asked.size(), 1u) << "no open chooser after the failed save";
    EXPECT_EQ(ui.asked[0].kind, ScriptedInteraction::Asked::Save);
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_TRUE(table.modified());
    EXPECT_TRUE(document.currentFilePath.empty());
}

TEST_F(FileCommandsTest, YesSavesAsEvenWithACurrentFileThenNewClearsEverything) {
    document.currentFilePath = writeList("current.csv", "");
    std::string chosen = dir.file("saved.csv");
    ui.answerNext(Answer::Yes);
    ui.chooseNext(chosen);
    commands.fileNew();

    ASSERT_EQ(ui.asked.size(), 1u);
    const FileChooserRequest& request = ui.asked[0].request;
    EXPECT_EQ(request.filter, "CSV Files(.scv)|*.csv||");
    EXPECT_EQ(request.defaultExtension, "csv");
    EXPECT_EQ(request.initialName, settings.defaultSavePath + "/SORPEX_20240305090807.csv");
    EXPECT_EQ(request.initialFolder, settings.defaultSavePath);
    EXPECT_TRUE(request.confirmOverwrite);

    EXPECT_NE(readFileBytes(chosen).find("\"second\",10.0.0.2,public"), std::string::npos);
    EXPECT_EQ(table.terminatorSlot(), 0);
    EXPECT_FALSE(table.modified());
    EXPECT_EQ(view.clears, 1);
    EXPECT_EQ(view.titles, (std::vector<std::string>{"saved - SORPEX", "無題 - SORPEX"}));
    EXPECT_TRUE(document.currentFilePath.empty()) << "Save after New asks for a name";
}

TEST_F(FileCommandsTest, NoDiscardsTheChangesWithoutSaving) {
    ui.answerNext(Answer::No);
    EXPECT_TRUE(commands.querySaveChanges());
    EXPECT_FALSE(table.modified());
    EXPECT_TRUE(ui.asked.empty());
    // Nothing to ask the second time.
    EXPECT_TRUE(commands.querySaveChanges());
    EXPECT_EQ(ui.shown.size(), 1u);
}

TEST_F(FileCommandsTest, OpenLoadsTheChosenFileAndNamesItInTitleAndSave) {
    table.setModified(false);
    std::string path = writeList("office.csv", "\"a\",192.168.001.001,public\r\n");
    ui.chooseNext(path);
    commands.fileOpen();
    ASSERT_EQ(ui.asked.size(), 1u);
    EXPECT_EQ(ui.asked[0].kind, ScriptedInteraction::Asked::Open);
    EXPECT_EQ(cp932::toUtf8(ui.asked[0].request.filter), "CSVファイル(*.csv)|*.csv|");
    EXPECT_EQ(ui.asked[0].request.defaultExtension, "csv");
    EXPECT_TRUE(ui.asked[0].request.mustExist);
    EXPECT_TRUE(ui.shown.empty());

    EXPECT_EQ(table.rowCount(), 1);
    EXPECT_EQ(table.slot(0).ipAddress.view(), "192.168.1.1");
    EXPECT_FALSE(table.modified());
    EXPECT_EQ(document.currentFilePath, path);
    EXPECT_EQ(view.titles, (std::vector<std::string>{"office - SORPEX"}));
    EXPECT_EQ(view.refreshes, 2);

    table.slot(0).comment.set("changed");
    ASSERT_TRUE(commands.fileSave());
    EXPECT_NE(readFileBytes(path).find("\"changed\""), std::string::npos);
}

TEST_F(FileCommandsTest, RejectedFileAsksAgainAndCancelKeepsWhatWasReadButSaveAsksForAName) {
    table.setModified(false);
    const std::string rows = "ok,10.0.0.1,p\r\nbad,10.0.0.255,p\r\nlost,10.0.0.3,p\r\n";
    std::string bad = writeList("bad.csv", rows);
    ui.chooseNext(bad);
    ui.chooseNext(std::nullopt);
    commands.fileOpen();
    EXPECT_EQ(ui.asked.size(), 2u);
    EXPECT_EQ(ui.texts(), (std::vector<std::string>{"プリンタ情報CSVファイルではありません\n" + bad}));
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_EQ(view.titles, (std::vector<std::string>{"bad - SORPEX"}));
    EXPECT_EQ(document.currentFilePath, bad);

    // Save would overwrite the file with the rows before the rejected one.
    ui.chooseNext(std::nullopt);
    EXPECT_FALSE(commands.fileSave());
    ASSERT_EQ(ui.asked.size(), 3u);
    EXPECT_EQ(ui.asked[2].kind, ScriptedInteraction::Asked::Save);
    EXPECT_EQ(readFileBytes(bad), std::string(kCsvHeader) + "\r\n" + rows);
    ui.chooseNext(dir.file("kept.csv"));
    ASSERT_TRUE(commands.fileSave());
    ui.chooseNext(std::nullopt);
    ASSERT_TRUE(commands.fileSave()) << "saved whole: Save writes again without asking";
    EXPECT_EQ(ui.asked.size(), 4u);
}

// sorpex LIST.csv: the list opens as Open loads a chosen file; one that cannot be opened is
// named, titles the window, and Save asks for a name rather than write an empty list over it.
TEST_F(FileCommandsTest, AListFromTheCommandLineOpensAsOpenLoadsIt) {
    std::string good = writeList("office.csv", "a,10.0.0.1,p\r\n");
    commands.openFile(good);
    EXPECT_TRUE(ui.texts().empty());
    EXPECT_EQ(table.rowCount(), 1);
    EXPECT_EQ(document.currentFilePath, good);

    commands.openFile(dir.file("none.csv"));
    EXPECT_EQ(ui.texts(),
              (std::vector<std::string>{"ファイルオープンエラー\nError Code = 2\n" + dir.file("none.csv")}));
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_EQ(view.titles, (std::vector<std::string>{"office - SORPEX", "none - SORPEX"}));
    ui.chooseNext(std::nullopt);
    EXPECT_FALSE(commands.fileSave());
    ASSERT_EQ(ui.asked.size(), 1u);
    EXPECT_EQ(ui.asked[0].kind, ScriptedInteraction::Asked::Save);
}

TEST_F(FileCommandsTest, SaveWithoutAFileAsksForANameAndThenWritesThere) {
    std::string chosen = dir.file("named.csv");
    ui.chooseNext(chosen);
    ASSERT_TRUE(commands.fileSave());
    ASSERT_EQ(ui.asked.size(), 1u);
    EXPECT_EQ(ui.asked[0].kind, ScriptedInteraction::Asked::Save);
    EXPECT_TRUE(std::regex_match(ui.asked[0].request.initialName, std::regex(".*/SORPEX_[0-9]{14}\\.csv")));
    EXPECT_EQ(document.currentFilePath, chosen);
    EXPECT_EQ(view.titles, (std::vector<std::string>{"named - SORPEX"}));
    EXPECT_FALSE(table.modified());

    table.setModified();
    ASSERT_TRUE(commands.fileSave());
    EXPECT_EQ(ui.asked.size(), 1u) << "the second save asks nothing";
    EXPECT_FALSE(table.modified());
}

TEST_F(FileCommandsTest, AutomaticSavesRetitleTogetherWithTheFileSaveWrites) {
    ASSERT_TRUE(commands.saveAutomatically(true));
    std::string automatic = settings.defaultSavePath + "/SORPEX_20240305090807.csv";
    EXPECT_EQ(document.autoFilePath, automatic);
    EXPECT_EQ(document.currentFilePath, automatic);
    EXPECT_EQ(view.titles, (std::vector<std::string>{"SORPEX_20240305090807 - SORPEX"}));

    // The mail-only save touches neither.
    settings.defaultSavePath = dir.file("mail");
    std::filesystem::create_directory(settings.defaultSavePath);
    ASSERT_TRUE(commands.saveAutomatically(false));
    EXPECT_TRUE(std::filesystem::exists(settings.defaultSavePath + "/SORPEX_20240305090807.csv"));
    EXPECT_EQ(document.currentFilePath, automatic);
    EXPECT_EQ(view.titles.size(), 1u);
}

TEST_F(FileCommandsTest, StartupFileNamesTitleAlsoWhenItWasRejectedButSaveAsksForAName) {
    settings.defaultCsvPath = writeList("start.csv", "a,10.0.0.1,p\r\nb,1.2.3,p\r\nc,10.0.0.3,p\r\n");
    const std::string before = readFileBytes(settings.defaultCsvPath);
    commands.loadStartupFile();
    EXPECT_EQ(ui.texts(),
              (std::vector<std::string>{"プリンタ情報CSVファイルではありません\n" + settings.defaultCsvPath,
                                        "「環境設定」の「起動時の呼び出しCSVファイル」を確認して下さい。"}));
    EXPECT_EQ(ui.shown[1].icon, MessageIcon::Information);
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_EQ(document.currentFilePath, settings.defaultCsvPath);
    EXPECT_EQ(view.titles, (std::vector<std::string>{"start - SORPEX"}));
    EXPECT_EQ(view.refreshes, 1);

    ui.chooseNext(std::nullopt);
    EXPECT_FALSE(commands.fileSave());
    EXPECT_EQ(ui.asked.size(), 1u);
    EXPECT_EQ(readFileBytes(settings.defaultCsvPath), before);
}
