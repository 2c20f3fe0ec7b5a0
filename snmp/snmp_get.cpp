#include "snmp/snmp_get.h"

#include "base/cp932.h"
#include "settings/app_settings.h"
#include "snmp/snmp_library.h"
#include "snmp/snmp_value.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

namespace sorpex {
namespace {

// The sessions open in this process: one that cannot open for want of a descriptor waits for
// one of them to close. Descriptors are the process's, so this is too.
struct OpenSessions {
    std::mutex mutex;
    std::condition_variable closed;
    int open = 0;
    unsigned closes = 0;
};
OpenSessions& openSessions() {
    static OpenSessions sessions;
    return sessions;
}

// Owns one single-session handle of the library. Its requests are numbered from a random start.
class Session {
public:
    explicit Session(netsnmp_session& config) : m_nextRequestId(randomRequestId()) {
        std::lock_guard lock(snmpLibraryMutex());
        m_seenCloses = closesSoFar();
        errno = 0;
        netsnmp_transport* transport = netsnmp_transport_open_client("snmp", config.peername);
        m_error = errno;
        if (transport != nullptr) {
            // The session owns the transport from here on, also when it cannot be made.
            m_handle = snmp_sess_add_ex(&config, transport, acceptOnlyFromPeer, parseCommunityReply, nullptr, nullptr,
                                        nullptr, nullptr, nullptr);
        }
        if (m_handle != nullptr) {
            std::lock_guard count(openSessions().mutex);
            ++openSessions().open;
        }
    }
    ~Session() {
        if (m_handle != nullptr) {
            {
                std::lock_guard lock(snmpLibraryMutex());
                snmp_sess_close(m_handle);
            }
            OpenSessions& sessions = openSessions();
            std::lock_guard lock(sessions.mutex);
            --sessions.open;
            ++sessions.closes;
            sessions.closed.notify_all();
        }
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void* handle() const { return m_handle; }

    long nextRequestId() {
        const long id = m_nextRequestId;
        m_nextRequestId = id == 0x7FFFFFFF ? 1 : id + 1;
        return id;
    }

    // After a failed open for want of descriptors (or memory), waits until another session of
    // this process has closed since: true when it is worth trying again before `deadline`.
    bool waitForDescriptor(std::chrono::steady_clock::time_point deadline) const {
        if (m_error != EMFILE && m_error != ENFILE && m_error != ENOBUFS && m_error != ENOMEM) {
            return false;
        }
        OpenSessions& sessions = openSessions();
        std::unique_lock lock(sessions.mutex);
        // With none of ours open, nothing of ours will free one.
        sessions.closed.wait_until(lock, deadline,
                                   [&] { return sessions.closes != m_seenCloses || sessions.open == 0; });
        return sessions.closes != m_seenCloses;
    }

private:
    static unsigned closesSoFar() {
        std::lock_guard lock(openSessions().mutex);
        return openSessions().closes;
    }

    void* m_handle = nullptr;
    long m_nextRequestId;
    int m_error = 0;
    unsigned m_seenCloses = 0;
};

struct PduDeleter {
    void operator()(netsnmp_pdu* pdu) const { snmp_free_pdu(pdu); }
};
using PduPtr = std::unique_ptr<netsnmp_pdu, PduDeleter>;

} // namespace

void initSnmpLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        setenv("MIBS", "", 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
        snmp_disable_log();
        init_snmp("sorpex");
        // With every handler off the library falls back to stderr: one that drops everything
        // keeps its messages out of the program's output.
        snmp_disable_log();
        netsnmp_register_loghandler(NETSNMP_LOGHANDLER_NONE, LOG_EMERG);
    });
}

namespace {

// One request of `pduType` for one object; `name`, when given, receives the answered object's
// identifier as dotted text with a leading dot (a GETNEXT answers another object than it asked).
int request(const AppSettings& settings, int pduType, std::string_view agent, std::string_view community,
            std::string_view oidText, std::string& out, std::string* name) {
    out.clear();
    if (name != nullptr) {
        name->clear();
    }
    initSnmpLibrary();

    // The same bounds as the Windows version's buffers: 19, 255 and 1023 bytes.
    std::string agentCopy(agent.substr(0, 19));
    std::string communityCopy(community.substr(0, 255));
    std::string oidCopy(oidText.substr(0, 1023));

    std::vector<oid> asked;
    if (!parseOid(oidCopy, asked)) {
        out = "SNMP oidlist Error";
        return kSnmpLocalFailure;
    }

    std::string peer = agentCopy + ":" + std::to_string(settings.snmpPort);
    netsnmp_session config;
    snmp_sess_init(&config);
    config.version = SNMP_VERSION_1;
    config.peername = peer.data();
    config.community = reinterpret_cast<u_char*>(communityCopy.data());
    config.community_len = communityCopy.size();
    config.timeout = static_cast<long>(settings.timeoutSeconds > 0 ? settings.timeoutSeconds : 0) * 1000000L;
    config.retries = settings.retryCount > 0 ? settings.retryCount : 0;

    // A descriptor limit is this process's trouble, not the printer's silence: the request waits
    // for one of its own sessions to close, at most as long as a silent printer would take.
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::microseconds(config.timeout) * (config.retries + 1) + std::chrono::seconds(1);
    std::optional<Session> session(std::in_place, config);
    while (session->handle() == nullptr && session->waitForDescriptor(deadline)) {
        session.emplace(config);
    }
    if (session->handle() == nullptr) {
        out = "SNMP Open Error";
        return kSnmpLocalFailure;
    }
    netsnmp_pdu* pdu;
    {
        std::lock_guard lock(snmpLibraryMutex());
        pdu = snmp_pdu_create(pduType);
    }
    if (pdu != nullptr) {
        pdu->reqid = session->nextRequestId();
    }
    if (pdu == nullptr || snmp_add_null_var(pdu, asked.data(), asked.size()) == nullptr) {
        snmp_free_pdu(pdu);
        out = "SNMP Program Error(OID)";
        return kSnmpLocalFailure;
    }

    netsnmp_pdu* rawResponse = nullptr;
    // The library frees the request whatever the outcome.
    int status = snmp_sess_synch_response(session->handle(), pdu, &rawResponse);
    PduPtr response(rawResponse);
    if (status != STAT_SUCCESS || !response) {
        out = "No Response";
        return kSnmpNoResponse;
    }
    if (response->errstat != SNMP_ERR_NOERROR) {
        out = "Not Support";
        return kSnmpAnswered;
    }
    for (netsnmp_variable_list* var = response->variables; var != nullptr; var = var->next_variable) {
        out = renderSnmpValue(toSnmpValue(*var));
        if (name != nullptr) {
            name->clear();
            for (std::size_t i = 0; i < var->name_length; ++i) {
                *name += '.' + std::to_string(var->name[i]);
            }
        }
    }
    return kSnmpAnswered;
}

} // namespace

int snmpGet(const AppSettings& settings, std::string_view agent, std::string_view community, std::string_view oidText,
            std::string& out) {
    return request(settings, SNMP_MSG_GET, agent, community, oidText, out, nullptr);
}

int snmpGetNext(const AppSettings& settings, std::string_view agent, std::string_view community,
                std::string_view oidText, std::string& name, std::string& out) {
    return request(settings, SNMP_MSG_GETNEXT, agent, community, oidText, out, &name);
}

} // namespace sorpex
