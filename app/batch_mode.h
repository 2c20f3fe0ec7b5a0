#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace sorpex {

// Exit codes of the batch mode.
inline constexpr int kBatchOk = 0;
inline constexpr int kBatchListUnreadable = 1;
inline constexpr int kBatchUsage = 2;
inline constexpr int kBatchReportUnwritable = 3;
inline constexpr int kBatchMailFailed = 4;
inline constexpr int kBatchSettingsUnreadable = 5;
inline constexpr int kBatchNoPrinterAnswered = 6;
inline constexpr int kBatchNoValidAddress = 7;
inline constexpr int kBatchRowsNotAsked = 8; // no thread or no socket for them
// The window cannot open: no display, or none that can be reached.
inline constexpr int kBatchNoDisplay = 9;

// True when the arguments ask for the batch mode (or its help or version) rather than the window:
// an option, or more than the one list the window opens.
bool wantsBatchMode(const std::vector<std::string>& args);

// sorpex --acquire LIST.csv [--output REPORT.csv] [--mail] [--settings FILE.ini]: loads the list,
// acquires every printer as the window does, writes the report and mails it when asked; asks
// nothing and needs no display. Messages go to `err` in the terminal's character set; the
// report's path goes to `out`. `args` are the arguments after the program name.
int runBatchMode(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool showProgress);

} // namespace sorpex
