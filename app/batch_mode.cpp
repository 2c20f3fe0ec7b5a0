#include "app/batch_mode.h"

#include "app/console_text.h"
#include "base/interaction.h"
#include "inventory/csv_file.h"
#include "inventory/file_commands.h"
#include "inventory/printer_table.h"
#include "mail/report_mail.h"
#include "settings/app_settings.h"
#include "snmp/acquisition_run.h"
#include "snmp/console_host.h"
#include "snmp/run_state.h"
#include "snmp/snmp_get.h"
#include "snmp/status_query.h"

#include <algorithm>
#include <cerrno>
#include <ostream>

namespace sorpex {
namespace {

const char* const kUsage =
    "usage: sorpex [--from-menu] [--acquire LIST.csv [--output REPORT.csv] [--mail] [--settings FILE.ini]]\n"
    "       sorpex --help | --version\n"
    "\n"
    "Without arguments SORPEX opens its window. --from-menu works in $XDG_DATA_HOME/sorpex\n"
    "(~/.local/share/sorpex) as a start from the desktop menu does, not in the current folder.\n"
    "With --acquire it runs without a display:\n"
    "  --acquire LIST.csv     the printer list to acquire (every row; [AppParam] Parallel\n"
    "                         printers at once, ten by default)\n"
    "  --output REPORT.csv    where the report goes; by default an automatic name\n"
    "                         SORPEX_yyyymmddhhmmss.csv in the save folder of the settings\n"
    "  --mail                 mail the report with the report-mail settings\n"
    "  --settings FILE.ini    the settings file; by default SORPEX.ini in the current folder\n"
    "\n"
    "Exit codes: 0 done, 1 the list cannot be loaded, 2 usage, 3 the report cannot be\n"
    "written, 4 the mail failed, 5 the settings file cannot be read (or holds an SNMP value, or\n"
    "with --mail a mail value, that would lower security), 6 no printer answered, 7 the list has\n"
    "no valid address, 8 some rows were not asked (no thread or no socket for them). With 6, 7\n"
    "and 8 the report is written (and mailed) all the same; a failed mail gives 4 before them.\n";

// Questions are not asked: each message is printed, and the answer is the one that goes on.
class ConsoleInteraction : public UserInteraction {
public:
    explicit ConsoleInteraction(std::ostream& err) : m_err(err) {}

    Answer showMessage(std::string_view text, MessageIcon, MessageButtons buttons) override {
        m_err << consoleText(text) << '\n';
        return buttons == MessageButtons::YesNo ? Answer::Yes : Answer::Ok;
    }
    std::optional<std::string> chooseOpenFile(const FileChooserRequest&) override { return std::nullopt; }
    std::optional<std::string> chooseSaveFile(const FileChooserRequest&) override { return std::nullopt; }
    std::optional<std::string> chooseFolder(const FileChooserRequest&) override { return std::nullopt; }

private:
    std::ostream& m_err;
};

struct Options {
    std::string list;
    std::string output;
    std::string settings;
    bool mail = false;
    bool help = false;
    bool version = false;
};

bool parse(const std::vector<std::string>& args, Options& options, std::string& problem) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) {
                problem = arg + " needs a value";
                return false;
            }
            into = args[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--mail") {
            options.mail = true;
        } else if (arg == "--acquire") {
            if (!value(options.list)) {
                return false;
            }
        } else if (arg == "--output") {
            if (!value(options.output)) {
                return false;
            }
        } else if (arg == "--settings") {
            if (!value(options.settings)) {
                return false;
            }
        } else {
            problem = "unknown argument: " + arg;
            return false;
        }
    }
    if (!options.help && !options.version && options.list.empty()) {
        problem = "--acquire LIST.csv is missing";
        return false;
    }
    return true;
}

} // namespace

bool wantsBatchMode(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg.rfind("--", 0) == 0 || arg == "-h") {
            return true;
        }
    }
    return false;
}

int runBatchMode(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool showProgress) {
    Options options;
    std::string problem;
    if (!parse(args, options, problem)) {
        err << "sorpex: " << problem << "\n" << kUsage;
        return kBatchUsage;
    }
    if (options.help) {
        out << kUsage;
        return kBatchOk;
    }
    if (options.version) {
        out << "SORPEX Version 2.0\n";
        return kBatchOk;
    }

    // Paths are only opened here: they keep the file system's bytes, whatever CP932 can hold.
    AppSettings settings;
    const std::string settingsPath = options.settings.empty() ? defaultSettingsFilePath() : options.settings;
    const int settingsError = readSettingsFile(settings, settingsPath);
    // A file named with --settings must be there; SORPEX.ini may be missing, as for the window.
    if (settingsError != 0 && (settingsError != ENOENT || !options.settings.empty())) {
        err << consoleText(settingsReadMessage(settingsError)) << "\n" << settingsPath << "\n";
        return kBatchSettingsUnreadable;
    }
    applySettings(settings);
    // A value that would lower security stops the run before any printer is asked.
    if (!settings.snmpSettingsError.empty()) {
        err << consoleText(settings.snmpSettingsError) << "\n" << settingsPath << "\n";
        return kBatchSettingsUnreadable;
    }
    // Refused before the acquisition: a run from cron should not poll the whole fleet only to fail.
    if (options.mail && !settings.mailSettingsError.empty()) {
        err << consoleText(settings.mailSettingsError) << "\n" << settingsPath << "\n";
        return kBatchSettingsUnreadable;
    }
    initSnmpLibrary();

    ConsoleInteraction ui(err);
    PrinterTable table;
    if (!readCsvFile(table, options.list, ui)) {
        return kBatchListUnreadable;
    }

    RunState run;
    ConsoleHost host(showProgress ? &err : nullptr);
    BatchTiming timing = timingForVersion(BatchTiming{}, settings.snmpVersion);
    timing.parallel = settings.parallel;
    acquireAll(
        table, false, run, ui, host, [&](int slot) { queryPrinter(table, slot, settings, run); }, timing);
    for (int slot = 0; slot < table.terminatorSlot(); ++slot) {
        const PrinterRecord& row = table.slot(slot);
        if (row.isLive() && row.model == "Invalid IP Address") {
            err << "  ID " << row.id << ": " << consoleText(row.ipAddress.view()) << " (Invalid IP Address)\n";
        }
    }
    std::sort(run.notAsked.begin(), run.notAsked.end());
    for (int slot : run.notAsked) {
        const PrinterRecord& row = table.slot(slot);
        err << "  ID " << row.id << ": " << consoleText(row.ipAddress.view()) << " (not asked)\n";
    }
    // The outcome of the run, for cron; the report is written all the same.
    int outcome = kBatchOk;
    if (run.totalCount.load() == 0) {
        outcome = kBatchNoValidAddress;
    } else if (!run.notAsked.empty()) {
        outcome = kBatchRowsNotAsked;
    } else if (run.answeredCount.load() == 0) {
        err << "sorpex: no printer answered\n";
        outcome = kBatchNoPrinterAnswered;
    }

    const std::string reportPath =
        options.output.empty() ? nativeAutoFileName(settings, Clock().localNow()) : options.output;
    if (!writeCsvFile(table, reportPath, ui, csvLayout(settings))) {
        return kBatchReportUnwritable;
    }
    // A reader that went away or a full disk loses the line, not the run's result.
    if (!(out << reportPath << "\n" << std::flush)) {
        err << "sorpex: the report's path could not be written to the standard output\n";
    }

    if (options.mail) {
        // --mail asks for the mail whatever the report switch of the settings says.
        ReportMailJob job = makeReportMailJob(settings, reportPath);
        job.enabled = true;
        ReportMailResult result = deliverReportMail(job);
        if (result != ReportMailResult::Sent) {
            err << consoleText(reportMailMessage(result)) << "\n";
            return kBatchMailFailed;
        }
    }
    return outcome;
}

} // namespace sorpex
