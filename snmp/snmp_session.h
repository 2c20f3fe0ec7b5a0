#pragma once

#include "base/snmp_version.h"

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sorpex {

struct AppSettings;

// Results beside those of snmpGet (snmp_get.h), for v2c and v3 sessions.
inline constexpr int kSnmpSecurityFailure = 3;
inline constexpr int kSnmpRequestError = 4;

// One SNMP v2c or v3 session for all the requests of one printer query, so that a v3 printer
// discovers its engine once. Results are those of snmpGet, and:
//   kSnmpSecurityFailure  the v3 agent refused the user, a password or the level (a Report):
//                         failure() names which;
//   kSnmpRequestError     the agent answered the whole request with an error status (tooBig,
//                         genError ...): its objects are to be asked one by one.
// A session is used by one thread at a time.
class SnmpSession {
public:
    // A session of `version` (V2c or V3) with the time-out, retries, port and v3 credentials of
    // `settings`; nothing is sent before the first request.
    SnmpSession(const AppSettings& settings, std::string_view agent, std::string_view community, SnmpVersion version);
    ~SnmpSession();
    SnmpSession(const SnmpSession&) = delete;
    SnmpSession& operator=(const SnmpSession&) = delete;

    // One GET of every object: into `values`, in order, each rendered as snmpGet renders it, and
    // "Not Support" for an object the agent does not have.
    int get(const std::vector<std::string>& oids, std::vector<std::string>& values);
    // One GETNEXT: the object after `oid` as dotted text with a leading dot, and its value; past
    // the agent's last object "Not Support" with an empty name.
    int getNext(std::string_view oid, std::string& name, std::string& value);
    // One GETBULK of up to `repetitions` objects after `oid`, as getNext gives them.
    int getBulk(std::string_view oid, int repetitions, std::vector<std::pair<std::string, std::string>>& bindings);

    // The text of the last failure, for the row ("No Response", "SNMPv3 Unknown User" ...).
    const std::string& failure() const { return m_failure; }

private:
    struct Handle;
    int open();
    int exchange(int pduType, const std::vector<std::string>& oids, int repetitions,
                 std::vector<std::pair<std::string, std::string>>& bindings);

    const AppSettings& m_settings;
    std::string m_agent;
    std::string m_community;
    SnmpVersion m_version;
    std::unique_ptr<Handle> m_handle;
    int m_openResult = -1; // not opened yet
    std::string m_failure;
};

} // namespace sorpex
