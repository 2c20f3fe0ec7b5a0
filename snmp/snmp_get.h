#pragma once

#include <string>
#include <string_view>

namespace sorpex {

struct AppSettings;

// Results of snmpGet.
inline constexpr int kSnmpAnswered = 0;
inline constexpr int kSnmpNoResponse = 1;
inline constexpr int kSnmpLocalFailure = 2;

// Asks one object of one agent with an SNMPv1 GET and puts the rendered value, or a text that
// says why there is none, into `out`:
//   0  the agent answered: the value, or "Not Support" for an answer with an error status;
//   1  no answer within the time-out and retries: "No Response";
//   2  a local failure: "SNMP oidlist Error", "SNMP Open Error" and the like.
// The time-out (timeoutSeconds), retries (retryCount) and port (snmpPort) are read from the
// settings at every call. Each call has its own session; calls on several threads are safe.
int snmpGet(const AppSettings& settings, std::string_view agent, std::string_view community, std::string_view oid,
            std::string& out);

// The same with a GETNEXT: the first object after `oid` goes into `name` (dotted, with a leading
// dot) and its value into `out`. An answer with an error status (v1 agents say noSuchName past
// their last object) is "Not Support" with an empty name.
int snmpGetNext(const AppSettings& settings, std::string_view agent, std::string_view community, std::string_view oid,
                std::string& name, std::string& out);

// Prepares the SNMP library once per process: no MIB files, no configuration or persistent
// files, nothing printed. snmpGet calls it itself; calling it early keeps it off worker threads.
void initSnmpLibrary();

} // namespace sorpex
