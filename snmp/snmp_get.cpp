#include "snmp/snmp_get.h"

#include "base/cp932.h"
#include "settings/app_settings.h"
#include "snmp/snmp_reply.h"
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

#include <netinet/in.h>
#include <sys/random.h>

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

namespace sorpex {
namespace {

// Debian builds the library without its reentrant option: the request, message and session id
// counters are process-wide and unguarded. Opening a session, creating a PDU and closing a
// session touch them, so they take turns; the exchange itself runs in parallel.
std::mutex& libraryMutex() {
    static std::mutex mutex;
    return mutex;
}

// ".1.3.6.1.2.1.1.5.0" is absolute; without the leading dot the text is relative to mib-2
// (1.3.6.1.2.1), as the Windows manager API reads it. Nothing when the text is no identifier.
bool parseOid(std::string_view text, std::vector<oid>& out) {
    out.clear();
    if (!text.empty() && text.front() == '.') {
        text.remove_prefix(1);
    } else {
        out = {1, 3, 6, 1, 2, 1};
    }
    if (text.empty()) {
        return false;
    }
    while (true) {
        std::size_t dot = text.find('.');
        std::string_view part = text.substr(0, dot);
        if (part.empty() || part.size() > 10) {
            return false;
        }
        unsigned long long number = 0;
        for (char c : part) {
            if (c < '0' || c > '9') {
                return false;
            }
            number = number * 10 + static_cast<unsigned>(c - '0');
        }
        if (number > 0xFFFFFFFFull || out.size() >= MAX_OID_LEN) {
            return false;
        }
        out.push_back(static_cast<oid>(number));
        if (dot == std::string_view::npos) {
            break;
        }
        text.remove_prefix(dot + 1);
    }
    return out.size() >= 2;
}

SnmpValue toSnmpValue(const netsnmp_variable_list& var) {
    SnmpValue value;
    value.type = var.type;
    switch (var.type) {
    case ASN_INTEGER:
        value.number = *var.val.integer;
        break;
    case ASN_COUNTER:
    case ASN_GAUGE:
    case ASN_TIMETICKS:
    case ASN_UINTEGER:
        value.number = static_cast<std::uint32_t>(*var.val.integer);
        break;
    case ASN_COUNTER64:
        value.counter64 = (static_cast<std::uint64_t>(var.val.counter64->high) << 32) | var.val.counter64->low;
        break;
    case ASN_OBJECT_ID:
        value.oid.assign(var.val.objid, var.val.objid + var.val_len / sizeof(oid));
        break;
    case ASN_OCTET_STR:
    case ASN_BIT_STR:
    case ASN_OPAQUE:
    case ASN_IPADDRESS:
    case asn::kSequence: // the library's ASN_SEQUENCE lacks the constructed bit of the wire tag
        if (var.val.string != nullptr) {
            value.bytes.assign(var.val.string, var.val.string + var.val_len);
        }
        break;
    default:
        break;
    }
    return value;
}

// The library's own decoding drops a whole reply for a value it does not know (a SEQUENCE, an
// IpAddress of other than 4 bytes) and logs it. The session parses replies here instead: such
// values are handed to the library's decoder as OCTET STRINGs and get their type back after, so
// they are rendered as any other value. Everything else is the library's SNMPv1 decoding.
int parseReply(netsnmp_session*, netsnmp_pdu* pdu, u_char* data, size_t length) {
    std::vector<std::uint8_t> message(data, data + length);
    const std::vector<RetaggedValue> retagged = retagUndecodableValues(message);
    u_char community[COMMUNITY_MAX_LEN];
    size_t communityLength = sizeof community;
    long version = -1;
    size_t left = message.size();
    u_char* rest = snmp_comstr_parse(message.data(), &left, community, &communityLength, &version);
    if (rest == nullptr || version != SNMP_VERSION_1) {
        return -1;
    }
    pdu->version = version;
    pdu->securityModel = SNMP_SEC_MODEL_SNMPv1;
    pdu->securityLevel = SNMP_SEC_LEVEL_NOAUTH;
    SNMP_FREE(pdu->community);
    pdu->community_len = 0;
    if (communityLength > 0) {
        pdu->community = static_cast<u_char*>(malloc(communityLength));
        if (pdu->community == nullptr) {
            return -1;
        }
        memcpy(pdu->community, community, communityLength);
        pdu->community_len = communityLength;
    }
    if (snmp_pdu_parse(pdu, rest, &left) != 0) {
        return -1;
    }
    std::size_t index = 0;
    auto next = retagged.begin();
    for (netsnmp_variable_list* var = pdu->variables; var != nullptr && next != retagged.end();
         var = var->next_variable, ++index) {
        if (next->binding == index) {
            var->type = next->tag;
            ++next;
        }
    }
    return 0;
}

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

bool sameAddress(const netsnmp_sockaddr_storage& a, const netsnmp_sockaddr_storage& b) {
    if (a.sa.sa_family != b.sa.sa_family) {
        return false;
    }
    switch (a.sa.sa_family) {
    case AF_INET:
        return a.sin.sin_port == b.sin.sin_port && a.sin.sin_addr.s_addr == b.sin.sin_addr.s_addr;
#ifdef NETSNMP_ENABLE_IPV6
    case AF_INET6:
        return a.sin6.sin6_port == b.sin6.sin6_port &&
               memcmp(&a.sin6.sin6_addr, &b.sin6.sin6_addr, sizeof a.sin6.sin6_addr) == 0;
#endif
    default:
        return false;
    }
}

// The library takes a reply from whoever sends one to the session's port, if only its request ID
// matches. A reply counts only when it comes from the address and port the request went to; any
// other is dropped unread, and the request waits on for its own answer.
int acceptOnlyFromPeer(netsnmp_session*, netsnmp_transport* transport, void* from, int fromLength) {
    if (transport == nullptr || from == nullptr || fromLength != static_cast<int>(sizeof(netsnmp_indexed_addr_pair)) ||
        transport->data == nullptr || transport->data_length != static_cast<int>(sizeof(netsnmp_indexed_addr_pair))) {
        return 0;
    }
    const auto* sender = static_cast<const netsnmp_indexed_addr_pair*>(from);
    const auto* peer = static_cast<const netsnmp_indexed_addr_pair*>(transport->data);
    return sameAddress(sender->remote_addr, peer->remote_addr) ? 1 : 0;
}

// A request ID in 1 .. 2^31 - 1 that a sender who sees none of our requests cannot guess: the
// library counts its IDs up from one process-wide start.
long randomRequestId() {
    std::uint32_t bits = 0;
    if (getrandom(&bits, sizeof bits, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bits)) {
        // Only before the kernel's pool is ready: the clock's low bits, spread.
        const auto ticks = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        bits = static_cast<std::uint32_t>(ticks * 2654435761u);
    }
    bits &= 0x7FFFFFFFu;
    return bits == 0 ? 1 : static_cast<long>(bits);
}

// Owns one single-session handle of the library. Its requests are numbered from a random start.
class Session {
public:
    explicit Session(netsnmp_session& config) : m_nextRequestId(randomRequestId()) {
        std::lock_guard lock(libraryMutex());
        m_seenCloses = closesSoFar();
        errno = 0;
        netsnmp_transport* transport = netsnmp_transport_open_client("snmp", config.peername);
        m_error = errno;
        if (transport != nullptr) {
            // The session owns the transport from here on, also when it cannot be made.
            m_handle = snmp_sess_add_ex(&config, transport, acceptOnlyFromPeer, parseReply, nullptr, nullptr, nullptr,
                                        nullptr, nullptr);
        }
        if (m_handle != nullptr) {
            std::lock_guard count(openSessions().mutex);
            ++openSessions().open;
        }
    }
    ~Session() {
        if (m_handle != nullptr) {
            {
                std::lock_guard lock(libraryMutex());
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
        std::lock_guard lock(libraryMutex());
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
