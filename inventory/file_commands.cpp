#include "inventory/file_commands.h"

#include "base/cp932.h"
#include "inventory/csv_file.h"
#include "settings/app_settings.h"

#include <cstdio>
#include <utility>

namespace sorpex {
namespace {

// The folder part of a path, "" for the root and "." for a bare name. '/' never occurs as the
// second byte of a CP932 character, so the search cannot land inside one.
std::string folderOf(std::string_view path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) {
        return ".";
    }
    return std::string(path.substr(0, slash));
}

// <folder>/SORPEX_<yyyymmddhhmmss>.csv
std::string stampedName(std::string folder, const LocalTime& t) {
    char stamp[96];
    std::snprintf(stamp, sizeof stamp, "%02d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    return folder + "SORPEX_" + stamp + ".csv";
}

} // namespace

std::string autoFileName(const AppSettings& settings, const LocalTime& t) {
    // The root of a drive has no counterpart here: the settings file's folder stands in. Its
    // path is the file system's; the automatic name is shown and kept as CP932 text.
    return stampedName(settings.defaultSavePath.empty() ? cp932::fromUtf8(folderOf(settings.settingsFilePath))
                                                        : settings.defaultSavePath,
                       t);
}

std::string nativeAutoFileName(const AppSettings& settings, const LocalTime& t) {
    return settings.defaultSavePath.empty() ? stampedName(folderOf(settings.settingsFilePath), t)
                                            : nativePath(autoFileName(settings, t));
}

CsvLayout csvLayout(const AppSettings& settings) {
    return settings.supplies ? CsvLayout::WithSupplies : CsvLayout::Classic;
}

std::string windowTitle(std::string_view path, std::string_view programName) {
    std::string document;
    if (path.empty()) {
        document = cp932::fromUtf8("無題");
    } else {
        std::size_t slash = path.rfind('/');
        std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
        std::size_t dot = name.rfind('.');
        document = std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
    }
    return document + " - " + std::string(programName);
}

FileChooserRequest openFileRequest() {
    FileChooserRequest request;
    request.filter = cp932::fromUtf8("CSVファイル(*.csv)|*.csv|");
    request.defaultExtension = "csv";
    request.mustExist = true;
    return request;
}

FileChooserRequest saveFileRequest(const AppSettings& settings, const std::string& initialName) {
    FileChooserRequest request;
    // The program has always shown ".scv" here.
    request.filter = "CSV Files(.scv)|*.csv||";
    request.defaultExtension = "csv";
    request.initialFolder = settings.defaultSavePath;
    request.initialName = initialName;
    request.confirmOverwrite = true;
    return request;
}

FileCommands::FileCommands(PrinterTable& table, DocumentState& document, const AppSettings& settings,
                           UserInteraction& ui, DocumentView& view, std::string programName, const Clock& clock)
    : m_table(table), m_document(document), m_settings(settings), m_ui(ui), m_view(view),
      m_programName(std::move(programName)), m_clock(clock) {}

void FileCommands::makeAutoFileName() {
    m_document.autoFilePath = autoFileName(m_settings, m_clock.localNow());
}

void FileCommands::updateTitle(std::string_view path) {
    m_view.setWindowTitle(windowTitle(path, m_programName));
}

bool FileCommands::querySaveChanges() {
    if (!m_table.modified()) {
        return true;
    }
    Answer answer = m_ui.showMessage(cp932::fromUtf8("リスト内容が変更されました。\nファイルを保存しますか？"),
                                     MessageIcon::Question, MessageButtons::YesNo);
    if (answer == Answer::Yes) {
        // Always Save As, even with a current file. A cancelled or failed save keeps the table:
        // whatever asked (New, Open, exit) is abandoned.
        return fileSaveAs();
    }
    m_table.setModified(false);
    return true;
}

void FileCommands::fileNew() {
    if (!querySaveChanges()) {
        return;
    }
    m_table.clearTable();
    m_view.clearList();
    m_document.currentFilePath.clear();
    m_document.partialLoad = false;
    updateTitle("");
}

void FileCommands::fileOpen() {
    if (!querySaveChanges()) {
        return;
    }
    while (true) {
        m_view.refreshList();
        std::optional<std::string> chosen = m_ui.chooseOpenFile(openFileRequest());
        if (!chosen) {
            break;
        }
        m_document.currentFilePath = *chosen;
        // A file that was not read whole shows the chooser again.
        if (loadCurrentFile()) {
            break;
        }
    }
    updateTitle(m_document.currentFilePath);
    m_view.refreshList();
}

void FileCommands::openFile(const std::string& path) {
    m_document.currentFilePath = path;
    loadCurrentFile();
    updateTitle(path);
    m_view.refreshList();
}

bool FileCommands::loadCurrentFile() {
    m_table.clearTable();
    CsvLoad outcome = CsvLoad::ReadError;
    const bool read = readCsvFile(m_table, nativePath(m_document.currentFilePath), m_ui, &outcome);
    m_document.partialLoad = outcome != CsvLoad::Complete;
    return read;
}

bool FileCommands::saveTo(const std::string& path) {
    if (!writeCsvFile(m_table, nativePath(path), m_ui, csvLayout(m_settings))) {
        return false;
    }
    m_document.currentFilePath = path;
    m_document.partialLoad = false;
    updateTitle(path);
    return true;
}

bool FileCommands::fileSave() {
    if (m_document.currentFilePath.empty() || m_document.partialLoad) {
        return fileSaveAs();
    }
    return writeCsvFile(m_table, nativePath(m_document.currentFilePath), m_ui, csvLayout(m_settings));
}

bool FileCommands::fileSaveAs() {
    makeAutoFileName();
    std::optional<std::string> chosen = m_ui.chooseSaveFile(saveFileRequest(m_settings, m_document.autoFilePath));
    if (!chosen) {
        return false;
    }
    return saveTo(*chosen);
}

bool FileCommands::saveAutomatically(bool retitle) {
    makeAutoFileName();
    if (!retitle) {
        // The mail-only save leaves the title, and so the file Save writes, alone.
        return writeCsvFile(m_table, nativePath(m_document.autoFilePath), m_ui, csvLayout(m_settings));
    }
    return saveTo(m_document.autoFilePath);
}

void FileCommands::loadStartupFile() {
    const std::string& path = m_settings.defaultCsvPath;
    if (path.empty()) {
        return;
    }
    m_document.currentFilePath = path;
    if (!loadCurrentFile()) {
        m_ui.showMessage(cp932::fromUtf8("「環境設定」の「起動時の呼び出しCSVファイル」を確認して下さい。"),
                         MessageIcon::Information, MessageButtons::Ok);
    }
    updateTitle(path);
    m_view.refreshList();
}

} // namespace sorpex
