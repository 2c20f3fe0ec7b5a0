#include "settings/app_settings.h"

#include "base/cp932.h"
#include "base/input_file.h"
#include "base/interaction.h"
#include "base/replacing_file.h"
#include "settings/ini_file.h"

#include <cerrno>
#include <cstring>
#include <optional>
#include <unistd.h>

namespace sorpex {
namespace {

constexpr std::string_view kAppParam = "AppParam";
constexpr std::string_view kAutoStartParam = "AutoStartParam";
constexpr std::string_view kReportParam = "ReportParam";
constexpr std::string_view kSnmpParam = "SnmpParam";

constexpr std::array<const char*, 7> kDayNames = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

// Reads the whole regular file; nothing when it does not exist, errno in *error for every other
// failure (a folder, a FIFO, a device, no permission), without blocking. A file longer than
// any settings file gives EFBIG: one that another process keeps growing would never end.
std::optional<std::string> readFile(const std::string& path, int* error) {
    *error = 0;
    InputFile file(path);
    if (!file.isOpen()) {
        *error = file.error() == ENOENT ? 0 : file.error();
        return std::nullopt;
    }
    std::string text;
    char buffer[4096];
    while (true) {
        ssize_t n = file.read(buffer, sizeof buffer);
        if (n < 0) {
            *error = errno;
            return std::nullopt;
        }
        if (n == 0) {
            return text;
        }
        if (text.size() + static_cast<std::size_t>(n) > kSettingsFileLimit) {
            *error = EFBIG;
            return std::nullopt;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

std::string readText(const IniFile& ini, std::string_view section, std::string_view key, std::string_view fallback,
                     std::size_t limit) {
    std::optional<std::string> value = ini.value(section, key);
    return std::string(cp932::truncate(value ? *value : fallback, limit));
}

// The value of the leading decimal digits; text without digits gives 0.
int leadingNumber(std::string_view text) {
    long long number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        number = number * 10 + (c - '0');
        if (number > 0x7FFFFFFF) {
            return 0x7FFFFFFF;
        }
    }
    return static_cast<int>(number);
}

// A missing or empty value gives the default, as the private-profile integer read does.
int readInt(const IniFile& ini, std::string_view section, std::string_view key, int fallback) {
    std::optional<std::string> value = ini.value(section, key);
    if (!value || value->empty()) {
        return fallback;
    }
    return leadingNumber(*value);
}

// The leading digits of at most two characters, as the Time parts are read.
int twoDigitValue(std::string_view part) {
    int number = 0;
    for (std::size_t i = 0; i < part.size() && i < 2 && part[i] >= '0' && part[i] <= '9'; ++i) {
        number = number * 10 + (part[i] - '0');
    }
    return number;
}

std::vector<std::string> splitFilter(std::string_view filter) {
    std::vector<std::string> entries;
    while (!filter.empty() && entries.size() < kFilterEntryCount) {
        std::size_t end = filter.find(';');
        std::string_view piece = filter.substr(0, end);
        if (!piece.empty()) {
            entries.emplace_back(cp932::truncate(piece, kFilterEntryLimit));
        }
        if (end == std::string_view::npos) {
            break;
        }
        filter.remove_prefix(end + 1);
    }
    return entries;
}

// Applies `change` to the settings file and writes it back in one piece, so that a failure
// never leaves a half-written file. Shows the error and gives false when the write fails.
template <typename Change> bool updateSettingsFile(const AppSettings& settings, UserInteraction& ui, Change change) {
    int error = 0;
    std::optional<std::string> text = readFile(settings.settingsFilePath, &error);
    if (error == 0) {
        IniFile ini = IniFile::parse(text ? *text : std::string());
        change(ini);
        bool ownerOnly = false;
        for (auto [section, key] : {std::pair{kReportParam, "Password"}, std::pair{kSnmpParam, "V3AuthPassword"},
                                    std::pair{kSnmpParam, "V3PrivPassword"}}) {
            std::optional<std::string> password = ini.value(section, key);
            ownerOnly = ownerOnly || (password && !password->empty());
        }
        error = replaceFile(settings.settingsFilePath, ini.serialize(), ownerOnly);
    }
    if (error == 0) {
        return true;
    }
    std::string message = cp932::fromUtf8("SORPEX.ini書込みエラー\nError Code = ") + std::to_string(error);
    ui.showMessage(message, MessageIcon::Stop, MessageButtons::Ok);
    return false;
}

// A key the older versions do not know is written only once it differs from its default or the
// file has it already, so that a file shared with them stays as they write it.
void setUnlessDefault(IniFile& ini, std::string_view section, std::string_view key, const std::string& value,
                      bool isDefault) {
    if (!isDefault || ini.value(section, key)) {
        ini.setValue(section, key, value);
    }
}

template <std::size_t N>
std::optional<std::size_t> protocolIndex(const std::array<std::string_view, N>& names, std::string_view text) {
    for (std::size_t i = 0; i < N; ++i) {
        if (equalsIgnoringCase(text, names[i])) {
            return i;
        }
    }
    return std::nullopt;
}

// Worded as the mail keys' message, with the values that are taken.
std::string unknownValueMessage(std::string_view key, std::string_view value, const char* utf8Values) {
    return cp932::fromUtf8("SORPEX.iniの設定値が正しくありません。\n[SnmpParam] ") + std::string(key) + "=" +
           std::string(value) + cp932::fromUtf8(utf8Values);
}

// The SnmpParam keys into the record; the first value that cannot be taken as it stands is
// the message, and the record then keeps nothing weaker than what was asked for.
std::string applySnmpSettings(AppSettings& settings) {
    const StoredSettings& s = settings.stored;
    std::optional<SnmpVersion> version = parseSnmpVersion(s.snmpVersion);
    settings.snmpVersion = version && *version != SnmpVersion::Default ? *version : SnmpVersion::V1;
    SnmpV3Credentials& v3 = settings.snmpV3;
    v3 = SnmpV3Credentials{};
    v3.user = s.v3User;
    v3.authPassword = s.v3AuthPassword;
    v3.privPassword = s.v3PrivPassword;
    v3.context = s.v3Context;
    std::optional<std::size_t> auth = protocolIndex(kSnmpAuthProtocolNames, s.v3AuthProtocol);
    std::optional<std::size_t> priv = protocolIndex(kSnmpPrivProtocolNames, s.v3PrivProtocol);
    if (auth) {
        v3.authProtocol = static_cast<SnmpAuthProtocol>(*auth);
    }
    if (priv) {
        v3.privProtocol = static_cast<SnmpPrivProtocol>(*priv);
    }
    if (!version) {
        return unknownValueMessage("Version", s.snmpVersion, "\n(1, 2c, 3)");
    }
    if (!auth) {
        return unknownValueMessage("V3AuthProtocol", s.v3AuthProtocol,
                                   "\n(なし, MD5, SHA, SHA-224, SHA-256, SHA-384, SHA-512)");
    }
    if (!priv) {
        return unknownValueMessage("V3PrivProtocol", s.v3PrivProtocol, "\n(なし, DES, AES, AES-192, AES-256)");
    }
    return snmpV3Refusal(v3);
}

} // namespace

std::string snmpV3Refusal(const SnmpV3Credentials& v3) {
    auto refusal = [](const char* key, const char* why) {
        return cp932::fromUtf8("SNMPv3の設定 ") + key + cp932::fromUtf8(why);
    };
    const bool auth = v3.authProtocol != SnmpAuthProtocol::None;
    const bool priv = v3.privProtocol != SnmpPrivProtocol::None;
    if (auth != !v3.authPassword.empty()) {
        return refusal("V3AuthProtocol/V3AuthPassword", ": 認証プロトコルと認証パスワードは両方設定してください。");
    }
    if (priv != !v3.privPassword.empty()) {
        return refusal("V3PrivProtocol/V3PrivPassword", ": 暗号化プロトコルと暗号化パスワードは両方設定してください。");
    }
    if (priv && !auth) {
        return refusal("V3PrivProtocol", ": 暗号化には認証の設定が必要です。");
    }
    if (auth && v3.authPassword.size() < kSnmpPasswordMin) {
        return refusal("V3AuthPassword", ": パスワードは8文字以上で入力してください。");
    }
    if (priv && v3.privPassword.size() < kSnmpPasswordMin) {
        return refusal("V3PrivPassword", ": パスワードは8文字以上で入力してください。");
    }
    return {};
}

std::string defaultSettingsFilePath() {
    std::string directory;
    if (char* cwd = getcwd(nullptr, 0)) {
        directory = cwd;
        free(cwd);
    }
    return directory + "/SORPEX.ini";
}

std::string encodeLineBreaks(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (cp932::isLeadByte(c) && i + 1 < text.size()) {
            out += text.substr(i, 2);
            ++i;
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += "\\n";
            ++i;
        } else if (c == '\n' || c == '\r') {
            out += "\\n";
        } else if (c == '\\') {
            out += "\\\\";
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string decodeLineBreaks(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (cp932::isLeadByte(c) && i + 1 < text.size()) {
            out += text.substr(i, 2);
            ++i;
        } else if (c == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += "\r\n";
            ++i;
        } else if (c == '\\' && i + 1 < text.size() && text[i + 1] == '\\') {
            out += '\\';
            ++i;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int readSettingsFile(AppSettings& settings, const std::string& path) {
    settings.settingsFilePath = path;
    int error = 0;
    std::optional<std::string> text = readFile(path, &error);
    if (!text && error == 0) {
        error = ENOENT;
    }
    IniFile ini = IniFile::parse(text ? *text : std::string());

    StoredSettings& s = settings.stored;
    s.filter = readText(ini, kAppParam, "Filter", "", kFilterLimit);
    s.filterEnable = readText(ini, kAppParam, "Filter_Enable", "ON", 7);
    s.defaultCsv = readText(ini, kAppParam, "DefalutCSV", "", kPathLimit);
    s.autoSave = readText(ini, kAppParam, "Auto_Save", "OFF", 7);
    s.defaultSavePath = readText(ini, kAppParam, "DefalutSavePath", "", kPathLimit);
    s.timeOut = readInt(ini, kAppParam, "TimeOut", kTimeoutDefault);
    s.retry = readInt(ini, kAppParam, "Retry", kRetryDefault);
    s.debug = readText(ini, kAppParam, "Debug", "NO", 15);
    s.snmpPort = readInt(ini, kAppParam, "SnmpPort", 161);
    s.parallel = readInt(ini, kAppParam, "Parallel", kParallelDefault);
    s.supplies = readInt(ini, kAppParam, "Supplies", 0);
    s.supplyWarn = readInt(ini, kAppParam, "SupplyWarn", kSupplyWarnDefault);
    s.autoStart = readText(ini, kAutoStartParam, "AutoStart", "NO", 15);
    s.cycle = readText(ini, kAutoStartParam, "Cycle", "", 15);
    s.trigger = readText(ini, kAutoStartParam, "Triger", "", 63);
    s.time = readText(ini, kAutoStartParam, "Time", "0:0", 19);
    s.report = readText(ini, kReportParam, "Report", "NO", 15);
    s.mailServer = readText(ini, kReportParam, "MailServer", "", kMailTextLimit);
    s.port = readInt(ini, kReportParam, "Port", 25);
    s.fromAdd = readText(ini, kReportParam, "FromAdd", "", kMailTextLimit);
    std::optional<std::string> toAdd = ini.value(kReportParam, "ToAdd");
    s.toAdd = std::string(cp932::truncate(decodeLineBreaks(toAdd ? *toAdd : ""), kMailTextLimit));
    s.subject = readText(ini, kReportParam, "Subject", "[SORPEX]Report", kMailTextLimit);
    s.user = readText(ini, kReportParam, "User", "", kLoginLimit);
    s.password = readText(ini, kReportParam, "Password", "", kLoginLimit);
    s.security = readText(ini, kReportParam, "Security", "", 63);
    s.usage = readInt(ini, kReportParam, "Usage", 0);
    settings.window = readWindowSettings(ini);
    s.snmpVersion = readText(ini, kSnmpParam, "Version", "", 15);
    s.v3User = readText(ini, kSnmpParam, "V3User", "", kSnmpV3TextLimit);
    s.v3AuthProtocol = readText(ini, kSnmpParam, "V3AuthProtocol", "", 15);
    s.v3AuthPassword = readText(ini, kSnmpParam, "V3AuthPassword", "", kSnmpV3TextLimit);
    s.v3PrivProtocol = readText(ini, kSnmpParam, "V3PrivProtocol", "", 15);
    s.v3PrivPassword = readText(ini, kSnmpParam, "V3PrivPassword", "", kSnmpV3TextLimit);
    s.v3Context = readText(ini, kSnmpParam, "V3Context", "", kSnmpV3TextLimit);
    return error;
}

std::string settingsReadMessage(int error) {
    return cp932::fromUtf8("SORPEX.ini読込みエラー\nError Code = ") + std::to_string(error);
}

void applySettings(AppSettings& settings) {
    const StoredSettings& s = settings.stored;
    settings.timeoutSeconds = s.timeOut >= kTimeoutMin && s.timeOut <= kTimeoutMax ? s.timeOut : kTimeoutDefault;
    settings.retryCount = s.retry >= kRetryMin && s.retry <= kRetryMax ? s.retry : kRetryDefault;
    settings.autoSave = equalsIgnoringCase(s.autoSave, "ON");
    settings.filterEnableText = s.filterEnable;
    settings.filterEnabled = !equalsIgnoringCase(s.filterEnable, "OFF");
    settings.filterEntries = splitFilter(s.filter);
    settings.defaultCsvPath = s.defaultCsv;
    settings.defaultSavePath = s.defaultSavePath;
    settings.debugStatus = s.debug == "YES";
    settings.snmpPort = s.snmpPort;
    settings.parallel = s.parallel >= kParallelMin && s.parallel <= kParallelMax ? s.parallel : kParallelDefault;
    settings.supplies = s.supplies == 1;
    settings.supplyWarn =
        s.supplyWarn >= kSupplyWarnMin && s.supplyWarn <= kSupplyWarnMax ? s.supplyWarn : kSupplyWarnDefault;

    settings.scheduleCycle = ScheduleCycle::None;
    if (equalsIgnoringCase(s.autoStart, "YES")) {
        if (equalsIgnoringCase(s.cycle, "Monthly")) {
            settings.scheduleCycle = ScheduleCycle::Monthly;
        } else if (equalsIgnoringCase(s.cycle, "Weekly")) {
            settings.scheduleCycle = ScheduleCycle::Weekly;
        } else if (equalsIgnoringCase(s.cycle, "Dayly")) {
            settings.scheduleCycle = ScheduleCycle::Daily;
        }
    }
    for (std::size_t day = 0; day < kDayNames.size(); ++day) {
        settings.scheduleWeekdays[day] = s.trigger.find(kDayNames[day]) != std::string::npos;
    }
    settings.scheduleDayIndex = 0;
    if (settings.scheduleCycle == ScheduleCycle::Monthly) {
        if (s.trigger == "End") {
            settings.scheduleDayIndex = 30;
        } else {
            int day = leadingNumber(s.trigger);
            if (day >= 1 && day <= 30) {
                settings.scheduleDayIndex = day - 1;
            }
        }
    }
    // Hour and minute parts of one or two characters; a part out of range reads as 0.
    std::string_view time = s.time;
    std::size_t colon = time.find(':');
    int hour = twoDigitValue(time.substr(0, colon));
    int minute = colon == std::string_view::npos ? 0 : twoDigitValue(time.substr(colon + 1));
    settings.scheduleHour = hour <= 23 ? hour : 0;
    settings.scheduleMinuteIndex = minute <= 59 ? minute / 5 : 0;

    settings.mailEnabled = equalsIgnoringCase(s.report, "YES");
    settings.mailServer = s.mailServer;
    settings.mailPort = s.port;
    settings.mailFrom = s.fromAdd;
    settings.mailTo = s.toAdd;
    settings.mailSubject = s.subject;
    settings.mailBody = "Report File.";
    settings.mailUser = s.user;
    settings.mailPassword = s.password;
    // Only 0, 1 and 2 (and nothing, as before the key existed) are read: "STARTTLS" or "yes" taken
    // as 0 would send the password in clear.
    const std::string& security = s.security;
    settings.mailSecurity = MailSecurity::None;
    settings.mailSettingsError.clear();
    if (security == "1") {
        settings.mailSecurity = MailSecurity::StartTls;
    } else if (security == "2") {
        settings.mailSecurity = MailSecurity::Tls;
    } else if (!security.empty() && security != "0") {
        settings.mailSettingsError =
            cp932::fromUtf8("SORPEX.iniの設定値が正しくありません。\n[ReportParam] Security=") + s.security +
            cp932::fromUtf8("\n(0:なし 1:STARTTLS 2:SSL/TLS)");
    }
    settings.mailUsage = s.usage == 1;
    settings.snmpSettingsError = applySnmpSettings(settings);
    deriveScheduleTrigger(settings);
}

void deriveScheduleTrigger(AppSettings& settings) {
    ScheduleTrigger& t = settings.trigger;
    const ScheduleCycle cycle = settings.scheduleCycle;
    t.dateKey = 0;
    t.dateMask = 0xFFFFFFFF;
    if (cycle == ScheduleCycle::Monthly) {
        t.dateKey = settings.scheduleDayIndex == 30 ? 32 : static_cast<std::uint32_t>(settings.scheduleDayIndex + 1);
        t.dateMask = 0xFF;
    } else if (cycle == ScheduleCycle::Weekly || cycle == ScheduleCycle::Daily) {
        t.dateMask = 0;
    }
    t.timeKey = 0;
    t.timeMask = 0xFFFFFFFF;
    if (cycle != ScheduleCycle::None) {
        t.timeKey = static_cast<std::uint32_t>(settings.scheduleHour) * 65536 +
                    static_cast<std::uint32_t>(5 * settings.scheduleMinuteIndex) * 256;
    }
    t.weekdayBits = 0;
    t.weekdayMask = 0x7F;
    if (cycle == ScheduleCycle::Weekly) {
        for (std::size_t day = 0; day < settings.scheduleWeekdays.size(); ++day) {
            if (settings.scheduleWeekdays[day]) {
                t.weekdayBits |= 1u << day;
            }
        }
    } else if (cycle == ScheduleCycle::Monthly || cycle == ScheduleCycle::Daily) {
        t.weekdayMask = 0;
    }
}

bool writeEnvironmentSettings(const AppSettings& settings, UserInteraction& ui) {
    return updateSettingsFile(settings, ui, [&](IniFile& ini) {
        std::string filter;
        for (const std::string& entry : settings.filterEntries) {
            filter += entry + ";";
        }
        ini.setValue(kAppParam, "Filter", filter);
        ini.setValue(kAppParam, "TimeOut", std::to_string(settings.timeoutSeconds));
        ini.setValue(kAppParam, "Retry", std::to_string(settings.retryCount));
        ini.setValue(kAppParam, "DefalutCSV", settings.defaultCsvPath);
        ini.setValue(kAppParam, "DefalutSavePath", settings.defaultSavePath);
        ini.setValue(kAppParam, "Filter_Enable", settings.filterEnableText);
        ini.setValue(kAppParam, "Auto_Save", settings.autoSave ? "ON" : "OFF");
        setUnlessDefault(ini, kAppParam, "Parallel", std::to_string(settings.parallel),
                         settings.parallel == kParallelDefault);
        setUnlessDefault(ini, kAppParam, "Supplies", settings.supplies ? "1" : "0", !settings.supplies);
        setUnlessDefault(ini, kAppParam, "SupplyWarn", std::to_string(settings.supplyWarn),
                         settings.supplyWarn == kSupplyWarnDefault);
        // Values that could not be used stay in the file as they are until they are mended.
        if (!settings.snmpSettingsError.empty()) {
            return;
        }
        const SnmpV3Credentials& v3 = settings.snmpV3;
        const std::string_view auth = kSnmpAuthProtocolNames[static_cast<std::size_t>(v3.authProtocol)];
        const std::string_view priv = kSnmpPrivProtocolNames[static_cast<std::size_t>(v3.privProtocol)];
        setUnlessDefault(ini, kSnmpParam, "Version", std::string(snmpVersionText(settings.snmpVersion)),
                         settings.snmpVersion == SnmpVersion::V1);
        for (auto [key, value] :
             {std::pair{"V3User", std::string_view(v3.user)}, std::pair{"V3AuthProtocol", auth},
              std::pair{"V3AuthPassword", std::string_view(v3.authPassword)}, std::pair{"V3PrivProtocol", priv},
              std::pair{"V3PrivPassword", std::string_view(v3.privPassword)},
              std::pair{"V3Context", std::string_view(v3.context)}}) {
            setUnlessDefault(ini, kSnmpParam, key, std::string(value), value.empty());
        }
    });
}

bool writeReportSettings(const AppSettings& settings, std::string_view portText, UserInteraction& ui) {
    return updateSettingsFile(settings, ui, [&](IniFile& ini) {
        ini.setValue(kReportParam, "Report", settings.mailEnabled ? "YES" : "NO");
        ini.setValue(kReportParam, "MailServer", settings.mailServer);
        ini.setValue(kReportParam, "Port", portText);
        ini.setValue(kReportParam, "FromAdd", settings.mailFrom);
        ini.setValue(kReportParam, "ToAdd", encodeLineBreaks(settings.mailTo));
        ini.setValue(kReportParam, "Subject", settings.mailSubject);
        ini.setValue(kReportParam, "User", settings.mailUser);
        ini.setValue(kReportParam, "Password", settings.mailPassword);
        setUnlessDefault(ini, kReportParam, "Security", std::to_string(static_cast<int>(settings.mailSecurity)),
                         settings.mailSecurity == MailSecurity::None);
        setUnlessDefault(ini, kReportParam, "Usage", settings.mailUsage ? "1" : "0", !settings.mailUsage);
    });
}

bool writeWindowSettings(const AppSettings& settings, const WindowSettings& window, UserInteraction& ui) {
    return updateSettingsFile(settings, ui, [&](IniFile& ini) { storeWindowSettings(ini, window); });
}

bool writeScheduleSettings(const AppSettings& settings, UserInteraction& ui) {
    return updateSettingsFile(settings, ui, [&](IniFile& ini) {
        if (settings.scheduleCycle == ScheduleCycle::None) {
            ini.setValue(kAutoStartParam, "AutoStart", "No");
            return;
        }
        ini.setValue(kAutoStartParam, "AutoStart", "YES");
        std::string trigger;
        switch (settings.scheduleCycle) {
        case ScheduleCycle::Monthly:
            ini.setValue(kAutoStartParam, "Cycle", "Monthly");
            trigger = settings.scheduleDayIndex == 30 ? "End" : std::to_string(settings.scheduleDayIndex + 1);
            break;
        case ScheduleCycle::Weekly:
            ini.setValue(kAutoStartParam, "Cycle", "Weekly");
            for (std::size_t day = 0; day < kDayNames.size(); ++day) {
                if (settings.scheduleWeekdays[day]) {
                    trigger += trigger.empty() ? "" : ";";
                    trigger += kDayNames[day];
                }
            }
            break;
        default:
            ini.setValue(kAutoStartParam, "Cycle", "Dayly");
            break;
        }
        ini.setValue(kAutoStartParam, "Triger", trigger);
        ini.setValue(kAutoStartParam, "Time",
                     std::to_string(settings.scheduleHour) + ":" + std::to_string(5 * settings.scheduleMinuteIndex));
    });
}

} // namespace sorpex
