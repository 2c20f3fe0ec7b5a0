#pragma once

#include "base/snmp_version.h"
#include "settings/window_settings.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sorpex {

class UserInteraction;

enum class ScheduleCycle { None = 0, Monthly = 1, Weekly = 2, Daily = 3 };

// How the report mail reaches its server: plain SMTP, STARTTLS after EHLO, or TLS from the
// first byte (port 465). The values are those of the Security key.
enum class MailSecurity { None = 0, StartTls = 1, Tls = 2 };

// Port of the authenticated session (EHLO and AUTH LOGIN), the submission port.
inline constexpr int kLoginPort = 587;

// The schedule as the scheduler compares it with the clock (see scheduleMatches).
struct ScheduleTrigger {
    std::uint32_t dateKey = 0;
    std::uint32_t dateMask = 0xFFFFFFFF;
    std::uint32_t timeKey = 0;
    std::uint32_t timeMask = 0xFFFFFFFF;
    std::uint32_t weekdayBits = 0;
    std::uint32_t weekdayMask = 0x7F;
};

// The settings file's values as read, before applySettings interprets them. Texts are CP932
// and already cut to their limits.
// Printers an acquisition run asks at once; a value outside the range reads as the default.
inline constexpr int kParallelMin = 1;
inline constexpr int kParallelMax = 256;
inline constexpr int kParallelDefault = 10;

// The SNMP time-out in seconds and the retries; a value outside reads as the default. A time-out
// of 0 would have the library wait 0 µs, and every printer would look silent.
inline constexpr int kTimeoutMin = 1;
inline constexpr int kTimeoutMax = 60;
inline constexpr int kTimeoutDefault = 2;
inline constexpr int kRetryMin = 0;
inline constexpr int kRetryMax = 10;
inline constexpr int kRetryDefault = 0;

// The warning threshold of the lowest supply, in percent; a value outside reads as the default.
inline constexpr int kSupplyWarnMin = 0;
inline constexpr int kSupplyWarnMax = 100;
inline constexpr int kSupplyWarnDefault = 10;

// SNMPv3 (USM) protocols, in the order the dialog lists them; None leaves the level below.
enum class SnmpAuthProtocol { None, Md5, Sha, Sha224, Sha256, Sha384, Sha512 };
enum class SnmpPrivProtocol { None, Des, Aes, Aes192, Aes256 };
inline constexpr std::array<std::string_view, 7> kSnmpAuthProtocolNames = {"",        "MD5",     "SHA",    "SHA-224",
                                                                           "SHA-256", "SHA-384", "SHA-512"};
inline constexpr std::array<std::string_view, 5> kSnmpPrivProtocolNames = {"", "DES", "AES", "AES-192", "AES-256"};

// USM derives its keys from passwords of at least this many characters.
inline constexpr std::size_t kSnmpPasswordMin = 8;
inline constexpr std::size_t kSnmpV3TextLimit = 255;

// The one set of SNMPv3 credentials every v3 printer is asked with. Texts are CP932.
struct SnmpV3Credentials {
    std::string user;
    SnmpAuthProtocol authProtocol = SnmpAuthProtocol::None;
    std::string authPassword;
    SnmpPrivProtocol privProtocol = SnmpPrivProtocol::None;
    std::string privPassword;
    std::string context;
};

struct StoredSettings {
    std::string filter;
    std::string filterEnable = "ON";
    std::string defaultCsv;
    std::string autoSave = "OFF";
    std::string defaultSavePath;
    int timeOut = kTimeoutDefault;
    int retry = kRetryDefault;
    std::string debug = "NO";
    int snmpPort = 161;
    int parallel = kParallelDefault;
    int supplies = 0;
    int supplyWarn = kSupplyWarnDefault;
    std::string autoStart = "NO";
    std::string cycle;
    std::string trigger;
    std::string time = "0:0";
    std::string report = "NO";
    std::string mailServer;
    int port = 25;
    std::string fromAdd;
    std::string toAdd;
    std::string subject = "[SORPEX]Report";
    std::string user;
    std::string password;
    std::string security; // as written: a wrong value must not read as none
    int usage = 0;
    std::string snmpVersion;
    std::string v3User;
    std::string v3AuthProtocol;
    std::string v3AuthPassword;
    std::string v3PrivProtocol;
    std::string v3PrivPassword;
    std::string v3Context;
};

// Weekday flags and bits, Monday first.
enum Weekday { Monday, Tuesday, Wednesday, Thursday, Friday, Saturday, Sunday };

// The one settings record of a run. Texts are CP932.
struct AppSettings {
    std::string settingsFilePath;         // in the file system's own bytes, as it is only ever opened
    int timeoutSeconds = kTimeoutDefault; // kTimeoutMin ... kTimeoutMax
    int retryCount = kRetryDefault;       // kRetryMin ... kRetryMax
    bool autoSave = false;
    bool filterEnabled = true;
    std::string filterEnableText = "ON";
    std::vector<std::string> filterEntries;
    std::string defaultCsvPath;
    std::string defaultSavePath;
    bool debugStatus = false;
    ScheduleCycle scheduleCycle = ScheduleCycle::None;
    int scheduleDayIndex = 0;    // 0..29 for days 1..30, 30 for the last day of the month
    int scheduleHour = 0;        // 0..23
    int scheduleMinuteIndex = 0; // 0..11, the minute divided by 5
    std::array<bool, 7> scheduleWeekdays{};
    bool mailEnabled = false;
    std::string mailServer;
    int mailPort = 25;
    std::string mailFrom;
    std::string mailTo; // several recipients may stand on lines of their own, joined by CR LF
    std::string mailSubject = "[SORPEX]Report";
    std::string mailBody = "Report File.";
    std::string mailUser;     // for the login session on port 587
    std::string mailPassword; // likewise
    MailSecurity mailSecurity = MailSecurity::None;
    // Set by applySettings when a mail key holds a value that would lower security (CP932, naming
    // the key and its value); no mail is sent while it is set. Empty when all is well.
    std::string mailSettingsError;
    bool mailUsage = false;                    // the usage since the previous scheduled report goes with the mail
    int snmpPort = 161;                        // UDP port of the printers' agents
    int parallel = kParallelDefault;           // printers asked at once (kParallelMin ... kParallelMax)
    bool supplies = false;                     // also the serial number and the supplies table, in three more columns
    int supplyWarn = kSupplyWarnDefault;       // a lowest supply percent at or below it is shown as a warning
    SnmpVersion snmpVersion = SnmpVersion::V1; // for the printers that name none; never Default
    SnmpV3Credentials snmpV3;
    // Set when a SnmpParam value is one this version does not know or would lower security: the
    // message names the key and its value (CP932), and nobody is asked until it is mended.
    std::string snmpSettingsError;
    ScheduleTrigger trigger;
    std::optional<WindowSettings> window; // as the window last closed; nothing before that

    StoredSettings stored;
};

// Limits of the texts, in bytes.
inline constexpr std::size_t kFilterLimit = 255;
inline constexpr std::size_t kFilterEntryLimit = 63;
inline constexpr std::size_t kFilterEntryCount = 63;
inline constexpr std::size_t kPathLimit = 259;
inline constexpr std::size_t kMailTextLimit = 256;
inline constexpr std::size_t kMailBodyLimit = 1024;
inline constexpr std::size_t kLoginLimit = 72;

// The settings file in the current directory, in the file system's own bytes (whatever its
// folder's name, CP932 or not).
std::string defaultSettingsFilePath();

// The most a settings file holds; a longer one is refused as unreadable.
inline constexpr std::size_t kSettingsFileLimit = 1024 * 1024;

// Reads every key of the file at `path` with its default; `path` becomes settingsFilePath, the
// file every later write goes to. Gives 0 when the file was read; ENOENT when there is none,
// and the defaults; the errno of a file that is there but cannot be read (a folder, a FIFO or
// a device, which are refused at once, or no permission), and the defaults too.
int readSettingsFile(AppSettings& settings, const std::string& path);

// The message for a settings file that is there but cannot be read (CP932).
std::string settingsReadMessage(int error);

// Turns the values read into the working fields and derives the trigger.
void applySettings(AppSettings& settings);

void deriveScheduleTrigger(AppSettings& settings);

// The writers store their keys into the settings file. Parallel, Supplies and SupplyWarn are
// written only when the file has them already or they differ from their defaults, so a file shared with the Windows
// version stays as that version writes it. A failure is shown through `ui` and gives false; the record keeps its values
// either way.
bool writeEnvironmentSettings(const AppSettings& settings, UserInteraction& ui);
bool writeReportSettings(const AppSettings& settings, std::string_view portText, UserInteraction& ui);
bool writeScheduleSettings(const AppSettings& settings, UserInteraction& ui);
// Only the closing window writes its [Window] section.
bool writeWindowSettings(const AppSettings& settings, const WindowSettings& window, UserInteraction& ui);

// The refusal of a v3 credential set that cannot be used as it stands, or "" (CP932): a password
// under kSnmpPasswordMin, a password without its protocol or the reverse, privacy without
// authentication. The dialog and applySettings share it.
std::string snmpV3Refusal(const SnmpV3Credentials& credentials);

// ToAdd keeps a multi-line recipient list on one line: each line break is stored as the two
// characters \n and a backslash as \\. A one-line value reads back as it was written.
std::string encodeLineBreaks(std::string_view text);
std::string decodeLineBreaks(std::string_view text);

} // namespace sorpex
