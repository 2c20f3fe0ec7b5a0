#pragma once

#include "base/snmp_version.h"

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sorpex {

struct AppSettings;
struct RunState;
class PrinterTable;

// The requests of the status query, as snmpGet and snmpGetNext make them: the result (0 answered,
// 1 no response, 2 local failure) and the rendered value, or the reason, in `out`.
struct SnmpTransport {
    std::function<int(std::string_view agent, std::string_view community, std::string_view oid, std::string& out)> get;
    // The object after `oid`: its identifier into `name`, its value into `out`.
    std::function<int(std::string_view agent, std::string_view community, std::string_view oid, std::string& name,
                      std::string& out)>
        getNext;
    // v2c and v3 only, empty over v1. One GET of all `oids`, kept by the transport: get answers
    // them from there. An agent that refuses the request as a whole leaves them to be asked one
    // by one; one that does not answer (or a v3 agent that refuses the credentials) makes every
    // later request fail at once in the same way. The failure's text goes into `out`.
    std::function<int(const std::vector<std::string>& oids, std::string& out)> prefetch = {};
    // v2c and v3 only: walks `column` with GETBULK for up to `rows` rows and asks the cells of
    // those rows in `cellColumns` in one GET, all kept for getNext and get.
    std::function<void(std::string_view column, std::size_t rows, const std::vector<std::string_view>& cellColumns)>
        prefetchWalk = {};
};

// The real transport: snmpGet and snmpGetNext with the time-out, retries and port of `settings`,
// read at each request. `settings` must outlive the transport.
SnmpTransport snmpTransport(const AppSettings& settings);

// The transport of one printer query: over v1 snmpTransport; over v2c and v3 one session for all
// of the query's requests, with `agent` and `community` (v2c) or the settings' v3 credentials.
SnmpTransport printerTransport(const AppSettings& settings, SnmpVersion version, std::string_view agent,
                               std::string_view community);

// The version a row is asked over: its own, or the settings' default.
SnmpVersion effectiveVersion(const AppSettings& settings, SnmpVersion rowVersion);

// Models supported whatever the Filter setting says, tried before its entries.
inline constexpr std::array<std::string_view, 3> builtInModelPrefixes = {"ZUV", "PALIVOX", "Printer"};

// True when the model text begins with a built-in prefix or one of filterEntries, byte for byte
// over the whole prefix (case matters).
bool isSupportedModel(std::string_view model, const AppSettings& settings);

// The objects asked, in the order asked.
namespace printer_oid {
inline constexpr std::string_view kDeviceDescr = ".1.3.6.1.2.1.25.3.2.1.3.1";
inline constexpr std::string_view kMarkerLifeCount = ".1.3.6.1.2.1.43.10.2.1.4.1.1";
inline constexpr std::string_view kMarkerLifeCountShort = ".1.3.6.1.2.1.43.10.2.1.4.1";
inline constexpr std::string_view kSysContact = ".1.3.6.1.2.1.1.4.0";
inline constexpr std::string_view kSysName = ".1.3.6.1.2.1.1.5.0";
inline constexpr std::string_view kSysLocation = ".1.3.6.1.2.1.1.6.0";
inline constexpr std::string_view kSysDescr = ".1.3.6.1.2.1.1.1.0";
inline constexpr std::string_view kDeviceStatus = ".1.3.6.1.2.1.25.3.2.1.5.1";
inline constexpr std::string_view kPrinterStatus = ".1.3.6.1.2.1.25.3.5.1.1.1";
inline constexpr std::string_view kDetectedErrorState = ".1.3.6.1.2.1.25.3.5.1.2.1";
inline constexpr std::string_view kAlertDescription = ".1.3.6.1.2.1.43.18.1.1.8.1";
} // namespace printer_oid

// The first octet of an hrPrinterDetectedErrorState answer as snmpGet renders it: a control
// byte arrives as "<0xHH>", any other byte as itself.
unsigned char errorStateOctet(std::string_view answer);

// Fills the row in `slot` from its printer, one GET per object over v1, one GET of them all over
// v2c and v3 (and, with the Supplies setting, the serial number and the supplies table after
// them), and stops at the first request that gets no answer. A v3 agent that refuses the
// credentials gives the model column the failure's text. Writes that row only, so queries of different rows may run on
// different threads at once; raises run.doneCount under run.mutex when done.
void queryPrinter(PrinterTable& table, int slot, const AppSettings& settings, RunState& run,
                  const SnmpTransport& transport);
// The same over the row's version: printerTransport.
void queryPrinter(PrinterTable& table, int slot, const AppSettings& settings, RunState& run);

} // namespace sorpex
