#include "snmp/status_query.h"

#include "base/cp932.h"
#include "inventory/printer_table.h"
#include "settings/app_settings.h"
#include "snmp/run_state.h"
#include "snmp/snmp_get.h"
#include "snmp/snmp_session.h"
#include "snmp/supplies.h"

#include <climits>

namespace sorpex {
namespace {

// alertDescription keeps 127 characters of its 131 bytes.
constexpr std::size_t kAlertLimit = 127;

bool beginsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// "Not Support" and "No Response" are no values.
bool isNoValue(std::string_view answer) {
    return beginsWith(answer, "No");
}

// The leading decimal number of a text, as atoi reads it, kept within 32 bits; 0 without digits.
int leadingInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX) {
            value = static_cast<long long>(INT_MAX) + 1;
        }
    }
    value = negative ? -value : value;
    return static_cast<int>(value < INT_MIN ? INT_MIN : (value > INT_MAX ? INT_MAX : value));
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

SnmpTransport snmpTransport(const AppSettings& settings) {
    SnmpTransport transport;
    transport.get = [&settings](std::string_view agent, std::string_view community, std::string_view oid,
                                std::string& out) { return snmpGet(settings, agent, community, oid, out); };
    transport.getNext = [&settings](std::string_view agent, std::string_view community, std::string_view oid,
                                    std::string& name, std::string& out) {
        return snmpGetNext(settings, agent, community, oid, name, out);
    };
    return transport;
}

bool isSupportedModel(std::string_view model, const AppSettings& settings) {
    for (std::string_view prefix : builtInModelPrefixes) {
        if (beginsWith(model, prefix)) {
            return true;
        }
    }
    for (const std::string& prefix : settings.filterEntries) {
        if (beginsWith(model, prefix)) {
            return true;
        }
    }
    return false;
}

unsigned char errorStateOctet(std::string_view answer) {
    if (answer.empty()) {
        return 0;
    }
    // A printable first byte is itself, even '<': only the full "<0xHH" form is a rendered byte.
    if (answer.size() >= 5 && beginsWith(answer, "<0x")) {
        int high = hexDigit(answer[3]);
        int low = hexDigit(answer[4]);
        if (high >= 0 && low >= 0) {
            return static_cast<unsigned char>(high * 16 + low);
        }
    }
    return static_cast<unsigned char>(answer[0]);
}

namespace {

void clearAcquired(PrinterRecord& row) {
    row.model.clear();
    row.count.clear();
    row.sysContact.clear();
    row.sysName.clear();
    row.sysLocation.clear();
    row.sysDescr.clear();
    row.alertDescription.clear();
    row.serialNumber.clear();
    row.lowestSupply = kNoSupplyPercent;
    row.supplies.clear();
    row.deviceStatus = 0;
    row.printerStatus = 0;
    row.errorState = 0;
}

// Asks the objects in their order; the first request without an answer ends the query, and
// what was not asked stays empty. True when the printer answered its first request; `local` is
// set when a request could not be made here (no socket), which is no silence of the printer.
bool askPrinter(PrinterRecord& row, const AppSettings& settings, const RunState& run, const SnmpTransport& transport,
                bool& local) {
    std::string answer;
    int result = kSnmpAnswered;
    auto ask = [&](std::string_view oid) {
        result = transport.get(row.ipAddress.view(), row.community.view(), oid, answer);
        local = result == kSnmpLocalFailure;
        return result == kSnmpAnswered;
    };
    if (transport.prefetch) {
        // Every object in one request; the steps below then read them as over v1.
        std::vector<std::string> oids;
        for (std::string_view oid :
             {printer_oid::kDeviceDescr, printer_oid::kMarkerLifeCount, printer_oid::kMarkerLifeCountShort,
              printer_oid::kSysContact, printer_oid::kSysName, printer_oid::kSysLocation, printer_oid::kSysDescr,
              printer_oid::kDeviceStatus, printer_oid::kPrinterStatus, printer_oid::kDetectedErrorState,
              printer_oid::kAlertDescription}) {
            oids.emplace_back(oid);
        }
        if (settings.supplies) {
            oids.emplace_back(printer_oid::kSerialNumber);
        }
        transport.prefetch(oids, answer);
    }

    if (!ask(printer_oid::kDeviceDescr)) {
        if (local) {
            row.model.set(answer);
            row.fromRange = 0;
            return false;
        }
        // A v3 agent's refusal has a text of its own; everything else is no answer.
        row.model.set(result == kSnmpSecurityFailure ? std::string_view(answer) : "No Response");
        // A range scan drops the addresses where nothing answers.
        if (row.fromRange != 0 && run.rangeMode) {
            row.id = kEmptySlotId;
        }
        row.fromRange = 0;
        return false;
    }
    if (settings.filterEnabled && !isSupportedModel(answer, settings)) {
        row.model.set("Not Support");
        // A range run keeps supported printers only, also those that were in the table before.
        if (run.rangeMode) {
            row.id = kEmptySlotId;
            row.fromRange = 0;
        }
        return true;
    }
    row.fromRange = 0;
    row.model.set(answer);

    if (!ask(printer_oid::kMarkerLifeCount)) {
        return true;
    }
    if (answer != "0") {
        row.count.set(answer);
    }
    if (row.count.empty()) {
        // Some printers keep their counter under the short index only.
        if (!ask(printer_oid::kMarkerLifeCountShort)) {
            return true;
        }
        if (answer.empty()) {
            row.count.set("Not Support");
        } else if (answer != "0") {
            row.count.set(answer);
        }
    }

    for (auto [oid, field] :
         {std::pair{printer_oid::kSysContact, &row.sysContact}, std::pair{printer_oid::kSysName, &row.sysName},
          std::pair{printer_oid::kSysLocation, &row.sysLocation}, std::pair{printer_oid::kSysDescr, &row.sysDescr}}) {
        if (!ask(oid)) {
            return true;
        }
        field->set(answer);
    }

    if (!ask(printer_oid::kDeviceStatus)) {
        return true;
    }
    if (!isNoValue(answer)) {
        row.deviceStatus = leadingInteger(answer);
    }
    if (!ask(printer_oid::kPrinterStatus)) {
        return true;
    }
    if (!isNoValue(answer)) {
        row.printerStatus = leadingInteger(answer);
    }
    if (!ask(printer_oid::kDetectedErrorState)) {
        return true;
    }
    if (!isNoValue(answer)) {
        row.errorState = errorStateOctet(answer);
    }
    if (!ask(printer_oid::kAlertDescription)) {
        return true;
    }
    row.alertDescription.set(cp932::truncate(answer, kAlertLimit));
    if (settings.supplies) {
        askSupplies(row, transport);
    }
    return true;
}

} // namespace

void queryPrinter(PrinterTable& table, int slot, const AppSettings& settings, RunState& run,
                  const SnmpTransport& transport) {
    PrinterRecord& row = table.slot(slot);
    clearAcquired(row);
    if (!row.ipAddress.empty() && !row.community.empty() && row.id != kEmptySlotId) {
        bool local = false;
        if (askPrinter(row, settings, run, transport, local)) {
            run.answeredCount.fetch_add(1);
        }
        if (local) {
            countNotAsked(run, slot);
        }
    }
    countDone(run);
}

void queryPrinter(PrinterTable& table, int slot, const AppSettings& settings, RunState& run) {
    const PrinterRecord& row = table.slot(slot);
    queryPrinter(table, slot, settings, run,
                 printerTransport(settings, effectiveVersion(settings, row.snmpVersion), row.ipAddress.view(),
                                  row.community.view()));
}

} // namespace sorpex
