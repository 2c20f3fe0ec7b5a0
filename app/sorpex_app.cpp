#include "app/sorpex_app.h"

#include "app/about_dialog.h"
#include "app/input_blocker.h"
#include "app/commands.h"
#include "app/main_frame.h"
#include "app/qt_acquisition_host.h"
#include "app/usage_mail.h"
#include "app/window_memory.h"
#include "base/qt/qt_interaction.h"
#include "base/cp932.h"
#include "base/qt/qt_text.h"
#include "mail/report_mail.h"
#include "snmp/snmp_get.h"
#include "snmp/status_query.h"
#include "settings/config_dialog.h"
#include "settings/repeat_dialog.h"
#include "snmp/ip_range.h"
#include "ui/find_bar.h"
#include "ui/list_commands.h"
#include "ui/list_look.h"
#include "ui/printer_list_model.h"
#include "ui/sorpex_view.h"
#include "usage/usage_dialog.h"

#include <QApplication>
#include <QEventLoop>
#include <QMenu>
#include <QVBoxLayout>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <set>
#include <thread>
#include <utility>

namespace sorpex {

CSORPEXApp::CSORPEXApp(std::string settingsFilePath, UserInteraction* ui, const Clock* clock)
    : m_settingsFilePath(std::move(settingsFilePath)), m_clock(clock != nullptr ? *clock : m_systemClock),
      m_poller(m_clock) {
    if (ui == nullptr) {
        m_qtInteraction = std::make_unique<QtInteraction>();
        ui = m_qtInteraction.get();
    }
    m_ui = ui;
}

CSORPEXApp::~CSORPEXApp() = default;

std::string CSORPEXApp::programName() {
    // The product's name, whatever the program file is called (the Windows one was SORPEX.exe).
    return "SORPEX";
}

void CSORPEXApp::start(const std::string& list) {
    // A settings file that is there but cannot be read gives the defaults, as a missing one,
    // but not silently.
    const int settingsError = readSettingsFile(m_settings, m_settingsFilePath);
    if (settingsError != 0 && settingsError != ENOENT) {
        m_ui->showMessage(settingsReadMessage(settingsError), MessageIcon::Stop, MessageButtons::Ok);
    }
    initSnmpLibrary();

    m_frame = std::make_unique<CMainFrame>();
    if (m_qtInteraction) {
        m_qtInteraction->setParent(m_frame.get());
    }
    // The find bar sits over the list, hidden until Ctrl+F.
    auto* central = new QWidget(m_frame.get());
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_view = new CSORPEXView(central);
    m_findBar = new FindBar(*m_view, central);
    column->addWidget(m_findBar);
    column->addWidget(m_view);
    m_frame->setCentralWidget(central);
    restoreWindow(*m_frame, *m_view, m_settings.window);
    m_document = DocumentState{};
    m_table.clearTable();
    applySettings(m_settings);
    m_files = std::make_unique<FileCommands>(m_table, m_document, m_settings, *m_ui, static_cast<DocumentView&>(*this),
                                             programName(), m_clock);
    m_host = std::make_unique<QtAcquisitionHost>(
        m_frame.get(), *m_ui, [this] { refreshList(); }, [this] { m_files->saveAutomatically(true); });
    auto runAcquisition = [this] { this->runAcquisition(); };
    auto refresh = [this] { refreshList(); };
    m_listCommands =
        std::make_unique<ListCommands>(ListContext{m_table, *m_ui, *m_view, m_frame.get(), runAcquisition, refresh});
    m_range = std::make_unique<IpRangeAcquisition>(
        RangeContext{m_table, m_run, *m_ui, m_frame.get(), runAcquisition, refresh});
    registerCommands();
    connect(m_frame->findAction(), &QAction::triggered, m_findBar, &FindBar::open);
    connect(m_frame->sortMenu(), &QMenu::aboutToShow, this,
            [this] { m_listCommands->fillSortMenu(m_frame->sortMenu()); });
    // Moving and renumbering rows nobody sees is refused by greying the commands out.
    connect(m_view, &CSORPEXView::filterChanged, this, [this](bool filtered) {
        for (int id : {command::kMoveUp, command::kMoveDown, command::kResetIds}) {
            m_frame->setCommandEnabled(id, !filtered);
        }
    });
    // While a run or a mail is going on the window stays; its close box works again afterwards.
    // A window that closes keeps its place, size and columns for the next start.
    m_frame->setCloseGuard([this] {
        if (m_busy || !m_files->querySaveChanges()) {
            return false;
        }
        writeWindowSettings(m_settings, currentWindow(*m_frame, *m_view), *m_ui);
        return true;
    });
    connect(m_frame.get(), &CMainFrame::commandTriggered, this, &CSORPEXApp::runCommand);

    m_timer = new QTimer(this);
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &CSORPEXApp::onScheduleTimer);
    m_timer->start();

    m_files->updateTitle("");
    m_frame->show();
    if (!list.empty()) {
        m_files->openFile(cp932::fromUtf8(list));
        return;
    }
    m_files->loadStartupFile();
    if (m_settings.defaultCsvPath.empty()) {
        refreshList();
    }
}

void CSORPEXApp::registerCommands() {
    using namespace command;
    auto acquire = [this] { acquireAll(); };
    ListCommands& list = *m_listCommands;
    auto add = [&list] { list.addPrinter(); };
    auto change = [&list] { list.changePrinters(); };
    auto remove = [&list] { list.deletePrinters(); };
    m_commands = {
        {kNew, [this] { m_files->fileNew(); }},
        {kOpen, [this] { m_files->fileOpen(); }},
        {kSave, [this] { m_files->fileSave(); }},
        {kSaveAs, [this] { m_files->fileSaveAs(); }},
        {kAcquireAll, acquire},
        {kAcquireAllKey, acquire},
        {kAbout, [this] { showAbout(); }},
        {kAddPrinter, add},
        {kInsertKey, add},
        {kContextAdd, add},
        {kChangePrinter, change},
        {kContextChange, change},
        {kDeletePrinters, remove},
        {kDeleteKey, remove},
        {kContextDelete, remove},
        {kMoveUp, [&list] { list.moveUp(); }},
        {kMoveDown, [&list] { list.moveDown(); }},
        {kResetIds, [&list] { list.resetIds(); }},
        {kContextAcquireSelected, [&list] { list.acquireSelected(); }},
        {kAcquireRange, [this] { m_range->run(); }},
        {kEnvironmentSettings, [this] { environmentSettings(); }},
        {kRepeatSettings, [this] { openRepeatSettings(m_settings, *m_ui, m_frame.get()); }},
        {kUsage, [this] { showUsage(); }},
    };
    std::set<int> handled;
    for (const auto& entry : m_commands) {
        handled.insert(entry.first);
    }
    m_frame->setHandledCommands(handled);
}

void CSORPEXApp::runCommand(int id) {
    auto found = m_commands.find(id);
    if (found != m_commands.end()) {
        found->second();
    }
}

PrinterQuery CSORPEXApp::printerQuery() {
    return [this](int slot) { queryPrinter(m_table, slot, m_settings, m_run); };
}

BatchTiming CSORPEXApp::runTiming() const {
    BatchTiming timing = timingForVersion(m_timing, m_settings.snmpVersion);
    timing.parallel = m_settings.parallel;
    return timing;
}

void CSORPEXApp::acquireAll() {
    // With the find bar on, "all" is all the user sees.
    if (m_view != nullptr && m_view->isFiltered()) {
        m_table.markForAcquisition(m_view->shownIds());
    } else {
        m_table.markForAcquisition();
    }
    runAcquisition();
}

bool CSORPEXApp::refuseRunForSettings() {
    if (m_settings.snmpSettingsError.empty()) {
        return false;
    }
    m_ui->showMessage(m_settings.snmpSettingsError + cp932::fromUtf8("\n環境設定で直すまで情報取得できません。"),
                      MessageIcon::Stop, MessageButtons::Ok);
    return true;
}

void CSORPEXApp::runAcquisition() {
    if (refuseRunForSettings()) {
        return;
    }
    bool wasBusy = std::exchange(m_busy, true);
    acquisitionRun(m_table, m_settings.autoSave, m_run, *m_ui, *m_host, printerQuery(), runTiming());
    m_busy = wasBusy;
}

void CSORPEXApp::showRunSummary() {
    RunSummary summary = summarizeRun(m_table, m_settings.supplies ? m_settings.supplyWarn : -1);
    if (summary.answered + summary.silent == 0) {
        m_frame->showRunSummary({});
        return;
    }
    m_frame->showRunSummary(QString::fromUtf8("応答あり %1台　応答なし %2台　要注意 %3台")
                                .arg(summary.answered)
                                .arg(summary.silent)
                                .arg(summary.attention));
}

void CSORPEXApp::onScheduleTimer() {
    // Nothing starts while a run or a mail is going on; the ticks it swallowed count as late.
    if (m_busy || !m_poller.tick(m_settings.trigger)) {
        return;
    }
    m_busy = true;
    if (refuseRunForSettings()) {
        m_busy = false;
        return;
    }
    ScheduledRunSteps steps;
    steps.acquireAll = [this] {
        m_table.markForAcquisition();
        acquisitionRun(m_table, m_settings.autoSave, m_run, *m_ui, *m_host, printerQuery(), runTiming());
    };
    steps.saveForMail = [this] { m_files->saveAutomatically(false); };
    steps.autoFilePath = [this] { return m_document.autoFilePath; };
    steps.sendReportMail = [this](const std::string& path) { sendReportMail(nativePath(path)); };
    runScheduledReport(m_settings, steps);
    m_busy = false;
}

void CSORPEXApp::sendReportMail(const std::string& path) {
    ReportMailJob job = makeReportMailJob(m_settings, path, m_clock);
    if (!job.enabled) {
        return;
    }
    if (!job.settingsError.empty()) {
        showReportMailResult(ReportMailResult::SettingsRefused, *m_ui, job.settingsError);
        return;
    }
    UsageMailPart usage;
    addUsageToMail(job, m_settings, path, usage);
    bool wasBusy = std::exchange(m_busy, true);
    ReportMailResult result = ReportMailResult::Failed;
    bool started = false;
    {
        // The mail waits for its server up to seconds a step: it goes on a thread of its own so
        // the window keeps repainting; its message comes afterwards, here.
        InputBlocker blocker(m_frame.get());
        QApplication::setOverrideCursor(Qt::WaitCursor);
        std::atomic<bool> finished{false};
        std::thread sender = m_timing.start([&] {
            result = deliverReportMail(job);
            finished = true;
        });
        started = sender.joinable();
        if (started) {
            QEventLoop loop;
            QTimer poll;
            connect(&poll, &QTimer::timeout, &loop, [&] {
                if (finished) {
                    loop.quit();
                }
            });
            poll.start(20);
            loop.exec();
            sender.join();
        }
        QApplication::restoreOverrideCursor();
    }
    if (started) {
        showReportMailResult(result, *m_ui);
    } else {
        m_ui->showMessage(cp932::fromUtf8("送信処理を開始できません。"), MessageIcon::Warning, MessageButtons::Ok);
    }
    m_busy = wasBusy;
}

void CSORPEXApp::environmentSettings() {
    const bool supplies = m_settings.supplies;
    const int supplyWarn = m_settings.supplyWarn;
    openEnvironmentSettings(m_settings, *m_ui, m_frame.get());
    // The supplies columns come and go, and their warnings follow the threshold, at once.
    if (m_settings.supplies != supplies || m_settings.supplyWarn != supplyWarn) {
        refreshList();
    }
}

void CSORPEXApp::showUsage() {
    // The reports are where the automatic saves go.
    const std::string autoName = autoFileName(m_settings, m_clock.localNow());
    UsageDialog dialog(autoName.substr(0, autoName.rfind('/')), m_clock, *m_ui, m_frame.get());
    dialog.exec();
}

void CSORPEXApp::showAbout() {
    CAboutDlg dialog(m_frame.get());
    dialog.exec();
}

void CSORPEXApp::setWindowTitle(std::string_view title) {
    if (m_frame) {
        m_frame->setWindowTitle(fromCp932(title));
    }
}

void CSORPEXApp::refreshList() {
    if (m_view) {
        // The rows of the last run as they stand now: another file opened has none.
        showRunSummary();
        m_view->refreshList(
            m_table,
            {.debug = m_settings.debugStatus, .supplies = m_settings.supplies, .supplyWarn = m_settings.supplyWarn});
    }
}

void CSORPEXApp::clearList() {
    if (m_view) {
        m_frame->showRunSummary({});
        m_view->listModel()->clear();
    }
}

} // namespace sorpex
