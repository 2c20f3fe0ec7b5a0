#pragma once

#include "base/clock.h"
#include "base/interaction.h"
#include "inventory/csv_file.h"
#include "inventory/printer_table.h"

#include <string>
#include <string_view>

namespace sorpex {

struct AppSettings;

// The main window's document state besides the table (which carries the modified flag).
// Paths are CP932. currentFilePath and the window title always name the same file.
struct DocumentState {
    std::string currentFilePath; // the file Save writes; empty: none yet
    std::string autoFilePath;    // the last automatic file name
    // The table holds only part of currentFilePath (its load was rejected or cut at the table's
    // size): Save asks for a name rather than overwrite the file with that part.
    bool partialLoad = false;
};

// What the file commands need of the main window.
class DocumentView {
public:
    virtual ~DocumentView() = default;
    virtual void setWindowTitle(std::string_view title) = 0; // CP932
    virtual void refreshList() = 0;                          // rebuild the list from the table
    virtual void clearList() = 0;                            // empty the list without rebuilding it
};

// <folder>/SORPEX_<yyyymmddhhmmss>.csv, CP932. The folder is defaultSavePath, or, when that is
// empty, the folder that holds the settings file.
std::string autoFileName(const AppSettings& settings, const LocalTime& localTime);
// The same name in the file system's own bytes, for a caller that only opens it: the settings
// file's folder is taken as it is, whether CP932 can hold its name or not.
std::string nativeAutoFileName(const AppSettings& settings, const LocalTime& localTime);

// The columns the settings ask for: the three supplies columns with the Supplies setting on.
CsvLayout csvLayout(const AppSettings& settings);

// "<document> - <program>": the file name without folder and extension, "無題" for no file.
std::string windowTitle(std::string_view path, std::string_view programName);

// The choosers of Open and Save As.
FileChooserRequest openFileRequest();
FileChooserRequest saveFileRequest(const AppSettings& settings, const std::string& initialName);

// The commands of the File menu and the saves and loads other commands make, on the user
// interface thread.
class FileCommands {
public:
    FileCommands(PrinterTable& table, DocumentState& document, const AppSettings& settings, UserInteraction& ui,
                 DocumentView& view, std::string programName, const Clock& clock);

    // Fills autoFilePath.
    void makeAutoFileName();
    // Titles the window after `path`.
    void updateTitle(std::string_view path);

    // Offers to save unsaved changes. False when the user said Yes and the save did not happen
    // (Save As cancelled or failed): the caller then keeps the table (New, Open and exit are
    // abandoned) and modified stays set. True otherwise; modified is then clear.
    bool querySaveChanges();

    void fileNew();
    void fileOpen();
    // Opens the list at `path` (CP932) as Open does once the file is chosen: its checks and
    // messages, the title after it; a list not read whole is kept as far as it was read, and
    // Save then asks for a name.
    void openFile(const std::string& path);
    // Writes to currentFilePath, or asks for a name when there is none or when the table holds
    // only part of it. True when written.
    bool fileSave();
    bool fileSaveAs();

    // The save after an acquisition run: a new automatic file name, the table written to it,
    // and, with `retitle`, the window titled after it (and currentFilePath set to it). True when
    // written.
    bool saveAutomatically(bool retitle);

    // Loads the start-up file defaultCsvPath, when set: the title and currentFilePath name it
    // even when it could not be read whole (Save then asks for a name), and the list shows what
    // was read.
    void loadStartupFile();

private:
    bool saveTo(const std::string& path);
    // Loads currentFilePath into the cleared table; true when it was read whole.
    bool loadCurrentFile();

    PrinterTable& m_table;
    DocumentState& m_document;
    const AppSettings& m_settings;
    UserInteraction& m_ui;
    DocumentView& m_view;
    std::string m_programName;
    const Clock& m_clock;
};

} // namespace sorpex
