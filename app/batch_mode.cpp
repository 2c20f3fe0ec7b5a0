#include "app/batch_mode.h"

#include "app/console_text.h"
#include "app/usage_mail.h"
#include "base/cp932.h"
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
#include "usage/usage_csv.h"
#include "usage/usage_folder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ostream>

namespace sorpex {
namespace {

const char* const kUsage =
    "usage: sorpex [--from-menu] [LIST.csv]\n"
    "       sorpex [--from-menu] --acquire LIST.csv [--output REPORT.csv] [--mail] [--settings FILE.ini]\n"
    "       sorpex --usage FOLDER [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--output USAGE.csv]\n"
    "       sorpex --help | --version\n"
    "\n"
    "Without options SORPEX opens its window, on LIST.csv when given. --from-menu works\n"
    "in $XDG_DATA_HOME/sorpex (~/.local/share/sorpex) as a start from the desktop menu\n"
    "does, not in the current folder.\n"
    "With --acquire it runs without a display:\n"
    "  --acquire LIST.csv     the printer list to acquire (every row; [AppParam] Parallel\n"
    "                         printers at once, ten by default)\n"
    "  --output REPORT.csv    where the report goes; by default an automatic name\n"
    "                         SORPEX_yyyymmddhhmmss.csv in the save folder of the settings\n"
    "  --mail                 mail the report with the report-mail settings\n"
    "  --settings FILE.ini    the settings file; by default SORPEX.ini in the current folder\n"
    "With --usage it counts the pages of every printer over a period from the reports saved in\n"
    "FOLDER (SORPEX_yyyymmddhhmmss.csv, or any report by its modification time):\n"
    "  --from, --to           whole local days, both included; by default the previous month\n"
    "                         (--from alone: up to today; --to alone: from the 1st of its month)\n"
    "  --output USAGE.csv     by default SORPEX_usage_yyyymmdd-yyyymmdd.csv in the current folder\n"
    "\n"
    "Exit codes: 0 done, 1 the list cannot be loaded (--usage: the folder is missing, unreadable\n"
    "or holds no report), 2 usage, 3 the report cannot be written, 4 the mail failed, 5 the\n"
    "settings file is missing or cannot be read (or holds an SNMP value, or with --mail a mail\n"
    "value, that would lower security), 6 no printer answered, 7 the list has no valid address,\n"
    "8 some rows were not asked (no thread or no socket for them), 9 no display for the window\n"
    "(start it under Xvfb: xvfb-run -a sorpex). With 6, 7 and 8 the report is written (and\n"
    "mailed) all the same; a failed mail gives 4 before them.\n";

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
    std::string usageFolder;
    std::string from;
    std::string to;
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
        } else if (arg == "--usage") {
            if (!value(options.usageFolder)) {
                return false;
            }
        } else if (arg == "--from") {
            if (!value(options.from)) {
                return false;
            }
        } else if (arg == "--to") {
            if (!value(options.to)) {
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
            problem = (arg.rfind('-', 0) == 0 ? "unknown option " : "unexpected argument ") + arg;
            return false;
        }
    }
    if (options.help || options.version) {
        return true;
    }
    if (!options.usageFolder.empty()) {
        if (!options.list.empty() || options.mail || !options.settings.empty()) {
            problem = "--usage takes only --from, --to and --output";
            return false;
        }
        return true;
    }
    if (!options.from.empty() || !options.to.empty()) {
        problem = "--from and --to go with --usage";
        return false;
    }
    if (options.list.empty()) {
        problem = "--acquire LIST.csv is missing";
        return false;
    }
    return true;
}

// The period of --from and --to; the previous month when neither is given.
bool usageDays(const Options& options, const LocalTime& today, CalendarDay& from, CalendarDay& to,
               std::string& problem) {
    previousMonth(today, from, to);
    if (options.from.empty() && options.to.empty()) {
        return true;
    }
    to = {today.year, today.month, today.day};
    for (auto [text, day] : {std::pair{&options.from, &from}, std::pair{&options.to, &to}}) {
        if (text->empty()) {
            continue;
        }
        std::optional<CalendarDay> parsed = parseCalendarDay(*text);
        if (!parsed) {
            problem = "--from and --to take a day as YYYY-MM-DD";
            return false;
        }
        *day = *parsed;
    }
    if (options.from.empty()) {
        from = {to.year, to.month, 1};
    }
    if (isoDay(from) > isoDay(to)) {
        problem = "--from is after --to";
        return false;
    }
    return true;
}

int runUsage(const Options& options, std::ostream& out, std::ostream& err) {
    CalendarDay from, to;
    std::string problem;
    if (!usageDays(options, Clock().localNow(), from, to, problem)) {
        err << "sorpex: " << problem << "\n" << kUsage;
        return kBatchUsage;
    }
    const UsageCollection usage = collectUsage(options.usageFolder, periodOfDays(from, to));
    if (usage.status != UsageCollection::Status::Ok) {
        err << consoleText(usageProblemMessage(usage, cp932::fromUtf8(options.usageFolder))) << "\n";
        return kBatchListUnreadable;
    }
    err << consoleText(usageCountsLine(usage)) << "\n";
    const std::string path = options.output.empty() ? usageFileName(from, to) : options.output;
    if (const int error = writeUsageFile(path, usage.table); error != 0) {
        err << consoleText(cp932::fromUtf8("ファイル書込みできません\nError Code = ")) << error << "\n" << path << "\n";
        return kBatchReportUnwritable;
    }
    out << path << "\n";
    return kBatchOk;
}

} // namespace

bool wantsBatchMode(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg.rfind('-', 0) == 0) {
            return true;
        }
    }
    return args.size() > 1;
}

int runBatchMode(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool showProgress) {
    Options options;
    std::string problem;
    if (!parse(args, options, problem)) {
        err << "sorpex: " << problem << " (sorpex --help lists the options)\n";
        return kBatchUsage;
    }
    if (options.help || options.version) {
        out << (options.help ? kUsage : "SORPEX Version " SORPEX_VERSION_TEXT "\n") << std::flush;
        // A text that did not arrive (a full disk, a closed pipe) is a failure, not a success.
        if (!out) {
            err << "sorpex: the standard output cannot be written: " << std::strerror(errno) << "\n";
            return kBatchReportUnwritable;
        }
        return kBatchOk;
    }

    if (!options.usageFolder.empty()) {
        return runUsage(options, out, err);
    }

    // Paths are only opened here: they keep the file system's bytes, whatever CP932 can hold.
    AppSettings settings;
    const std::string settingsPath = options.settings.empty() ? defaultSettingsFilePath() : options.settings;
    const int settingsError = readSettingsFile(settings, settingsPath);
    // Without its settings a run would ask port 161 and mail no server: a missing file is said
    // as such, rather than as the mail's failure after the whole run.
    if (settingsError != 0) {
        err << consoleText(settingsReadMessage(settingsError)) << "\n" << settingsPath << "\n";
        if (settingsError == ENOENT) {
            err << "sorpex: the settings file is missing; make it in the window's settings dialogs, or name one "
                   "with --settings FILE.ini\n";
        }
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
        UsageMailPart usage;
        addUsageToMail(job, settings, reportPath, usage);
        ReportMailResult result = deliverReportMail(job);
        if (result != ReportMailResult::Sent) {
            err << consoleText(reportMailMessage(result)) << "\n";
            return kBatchMailFailed;
        }
    }
    return outcome;
}

} // namespace sorpex
