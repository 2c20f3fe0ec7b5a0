#pragma once

#include "app/scheduler.h"
#include "inventory/file_commands.h"
#include "inventory/printer_table.h"
#include "settings/app_settings.h"
#include "snmp/acquisition_run.h"
#include "snmp/run_state.h"

#include <QObject>

#include <functional>
#include <map>
#include <memory>
#include <string>

class QTimer;

namespace sorpex {

class CMainFrame;
class FindBar;
class IpRangeAcquisition;
class ListCommands;
class CSORPEXView;
class QtAcquisitionHost;
class QtInteraction;

// The application: it owns the printer table, the settings, the document state and the run
// state, builds the main window and carries out every command by its number.
class CSORPEXApp : public QObject, public DocumentView {
    Q_OBJECT
public:
    // `ui` answers the questions of the core; nothing gives the Qt message boxes and dialogs.
    // `clock` drives the schedule and the automatic file names; nothing gives the system's.
    explicit CSORPEXApp(std::string settingsFilePath, UserInteraction* ui = nullptr, const Clock* clock = nullptr);
    ~CSORPEXApp() override;

    // The start-up: settings read, the main window made (table cleared, settings applied, the
    // one-second timer started), shown, and the start-up CSV file loaded; or, when `list` names
    // one (file-system bytes, from the command line), that list, as Open loads it.
    void start(const std::string& list = {});

    // Carries out a command as the menu, toolbar or accelerator would.
    void runCommand(int id);

    // The one-second timer: starts the scheduled run when the schedule is due.
    void onScheduleTimer();
    // Mails the report with the file at `path` (file-system bytes) attached; the window repaints meanwhile and shows
    // the failure, if any, afterwards.
    void sendReportMail(const std::string& path);

    // An acquisition run over the rows whose `acquire` is set (acquireAll marks them all first).
    void runAcquisition();
    // True after showing why no printer may be asked: a SnmpParam value that cannot be used.
    bool refuseRunForSettings();
    void acquireAll();

    // DocumentView: the window's title and list, rebuilt from the table.
    void setWindowTitle(std::string_view title) override;
    void refreshList() override;
    void clearList() override;

    CMainFrame* mainFrame() const { return m_frame.get(); }
    CSORPEXView* view() const { return m_view; }
    FindBar* findBar() const { return m_findBar; }
    PrinterTable& table() { return m_table; }
    AppSettings& settings() { return m_settings; }
    DocumentState& document() { return m_document; }
    RunState& runState() { return m_run; }
    FileCommands& fileCommands() { return *m_files; }
    UserInteraction& interaction() { return *m_ui; }

    // The pauses of a run; how many printers it asks at once comes from the settings.
    void setBatchTiming(const BatchTiming& timing) { m_timing = timing; }

    // The program name the title shows: "SORPEX".
    static std::string programName();

private:
    void registerCommands();
    void environmentSettings();
    void showAbout();
    void showUsage();
    PrinterQuery printerQuery();
    BatchTiming runTiming() const;
    void showRunSummary();

    std::string m_settingsFilePath;
    AppSettings m_settings;
    PrinterTable m_table;
    DocumentState m_document;
    RunState m_run;
    std::unique_ptr<QtInteraction> m_qtInteraction;
    UserInteraction* m_ui;
    std::unique_ptr<CMainFrame> m_frame;
    CSORPEXView* m_view = nullptr;
    FindBar* m_findBar = nullptr;
    std::unique_ptr<FileCommands> m_files;
    std::unique_ptr<QtAcquisitionHost> m_host;
    QTimer* m_timer = nullptr;
    BatchTiming m_timing;
    Clock m_systemClock;
    const Clock& m_clock;
    SchedulePoller m_poller;
    bool m_busy = false; // a run or a mail is going on: the timer does not start another
    std::map<int, std::function<void()>> m_commands;
    std::unique_ptr<ListCommands> m_listCommands;
    std::unique_ptr<IpRangeAcquisition> m_range;
};

} // namespace sorpex
