#include "snmp/snmp_session.h"

#include "settings/app_settings.h"
#include "snmp/snmp_get.h"
#include "snmp/snmp_library.h"
#include "snmp/snmp_value.h"

#include <algorithm>
#include <mutex>

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

// Exported by the library, but not declared in its headers: the engine discovery that opening a
// session would otherwise run under the library lock.
extern "C" int snmpv3_engineID_probe(struct session_list* slp, netsnmp_session* in_session);

namespace sorpex {
namespace {

// The library keeps its USM users in one process-wide list that discovery adds to: the v3
// sessions discover one at a time. A silent v3 printer holds the others back by its time-out.
std::mutex& discoveryMutex() {
    static std::mutex mutex;
    return mutex;
}

struct ProtocolOid {
    const oid* id;
    std::size_t length;
};

ProtocolOid authOid(SnmpAuthProtocol protocol) {
    switch (protocol) {
    case SnmpAuthProtocol::Md5:
        return {usmHMACMD5AuthProtocol, OID_LENGTH(usmHMACMD5AuthProtocol)};
    case SnmpAuthProtocol::Sha:
        return {usmHMACSHA1AuthProtocol, OID_LENGTH(usmHMACSHA1AuthProtocol)};
    case SnmpAuthProtocol::Sha224:
        return {usmHMAC128SHA224AuthProtocol, OID_LENGTH(usmHMAC128SHA224AuthProtocol)};
    case SnmpAuthProtocol::Sha256:
        return {usmHMAC192SHA256AuthProtocol, OID_LENGTH(usmHMAC192SHA256AuthProtocol)};
    case SnmpAuthProtocol::Sha384:
        return {usmHMAC256SHA384AuthProtocol, OID_LENGTH(usmHMAC256SHA384AuthProtocol)};
    case SnmpAuthProtocol::Sha512:
        return {usmHMAC384SHA512AuthProtocol, OID_LENGTH(usmHMAC384SHA512AuthProtocol)};
    default:
        return {usmNoAuthProtocol, OID_LENGTH(usmNoAuthProtocol)};
    }
}

ProtocolOid privOid(SnmpPrivProtocol protocol) {
    switch (protocol) {
    case SnmpPrivProtocol::Des:
        return {usmDESPrivProtocol, OID_LENGTH(usmDESPrivProtocol)};
    case SnmpPrivProtocol::Aes:
        return {usmAESPrivProtocol, OID_LENGTH(usmAESPrivProtocol)};
    case SnmpPrivProtocol::Aes192:
        return {usmAES192PrivProtocol, OID_LENGTH(usmAES192PrivProtocol)};
    case SnmpPrivProtocol::Aes256:
        return {usmAES256PrivProtocol, OID_LENGTH(usmAES256PrivProtocol)};
    default:
        return {usmNoPrivProtocol, OID_LENGTH(usmNoPrivProtocol)};
    }
}

// The keys made from the v3 passwords (a million rounds of the hash each), once per set of
// credentials.
struct UsmKeys {
    bool made = false;
    u_char auth[USM_AUTH_KU_LEN] = {};
    size_t authLength = 0;
    u_char priv[USM_PRIV_KU_LEN] = {};
    size_t privLength = 0;
};

// The library keeps the keys it made for a user by engine and name for the whole process: new
// credentials from the settings would not be used while the old ones are kept. So the users are
// forgotten whenever the credentials change, which happens only between runs (the settings
// dialog cannot open during one). Called under discoveryMutex.
const UsmKeys& usmKeys(const SnmpV3Credentials& credentials) {
    static std::string last;
    static UsmKeys keys;
    std::string current = credentials.user + '\0' + std::to_string(static_cast<int>(credentials.authProtocol)) + '\0' +
                          credentials.authPassword + '\0' + std::to_string(static_cast<int>(credentials.privProtocol)) +
                          '\0' + credentials.privPassword;
    if (current == last) {
        return keys;
    }
    last = std::move(current);
    {
        std::lock_guard lock(snmpLibraryMutex());
        while (struct usmUser* user = usm_get_userList()) {
            usm_remove_user(user);
            if (usm_get_userList() == user) {
                break;
            }
            usm_free_user(user);
        }
    }
    keys = UsmKeys{};
    const ProtocolOid hash = authOid(credentials.authProtocol);
    keys.authLength = sizeof keys.auth;
    keys.privLength = sizeof keys.priv;
    // The privacy key is made with the authentication protocol's hash too.
    keys.made = credentials.authProtocol == SnmpAuthProtocol::None ||
                (generate_Ku(hash.id, static_cast<u_int>(hash.length),
                             reinterpret_cast<const u_char*>(credentials.authPassword.data()),
                             credentials.authPassword.size(), keys.auth, &keys.authLength) == SNMPERR_SUCCESS &&
                 (credentials.privProtocol == SnmpPrivProtocol::None ||
                  generate_Ku(hash.id, static_cast<u_int>(hash.length),
                              reinterpret_cast<const u_char*>(credentials.privPassword.data()),
                              credentials.privPassword.size(), keys.priv, &keys.privLength) == SNMPERR_SUCCESS));
    return keys;
}

// The row's text for a Report the agent answered instead; nothing for other failures.
const char* securityFailureText(int error) {
    switch (error) {
    case SNMPERR_UNKNOWN_USER_NAME:
        return "SNMPv3 Unknown User";
    case SNMPERR_AUTHENTICATION_FAILURE:
        return "SNMPv3 Authentication Failure";
    case SNMPERR_DECRYPTION_ERR:
        return "SNMPv3 Decryption Error";
    case SNMPERR_UNSUPPORTED_SEC_LEVEL:
        return "SNMPv3 Unsupported Security Level";
    case SNMPERR_NOT_IN_TIME_WINDOW:
        return "SNMPv3 Not In Time Window";
    case SNMPERR_UNKNOWN_ENG_ID:
        return "SNMPv3 Unknown Engine ID";
    default:
        return nullptr;
    }
}

std::string dottedName(const netsnmp_variable_list& var) {
    std::string name;
    for (std::size_t i = 0; i < var.name_length; ++i) {
        name += '.' + std::to_string(var.name[i]);
    }
    return name;
}

struct PduDeleter {
    void operator()(netsnmp_pdu* pdu) const { snmp_free_pdu(pdu); }
};
using PduPtr = std::unique_ptr<netsnmp_pdu, PduDeleter>;

} // namespace

struct SnmpSession::Handle {
    void* session = nullptr;
    // The configuration's texts and keys live as long as the session that points at them.
    std::string peer;
    std::string securityName;
    std::string context;
    // Requests are numbered from a random start, as snmpGet's.
    long nextRequestId = randomRequestId();
    ~Handle() {
        if (session != nullptr) {
            std::lock_guard lock(snmpLibraryMutex());
            snmp_sess_close(session);
        }
    }
};

SnmpSession::SnmpSession(const AppSettings& settings, std::string_view agent, std::string_view community,
                         SnmpVersion version)
    : m_settings(settings), m_agent(agent.substr(0, 19)), m_community(community.substr(0, 255)), m_version(version) {}

SnmpSession::~SnmpSession() = default;

int SnmpSession::open() {
    initSnmpLibrary();
    const bool v3 = m_version == SnmpVersion::V3;
    std::unique_lock discovery(discoveryMutex(), std::defer_lock);
    if (v3) {
        discovery.lock();
    }
    m_handle = std::make_unique<Handle>();
    Handle& h = *m_handle;
    h.peer = m_agent + ":" + std::to_string(m_settings.snmpPort);
    netsnmp_session config;
    snmp_sess_init(&config);
    config.peername = h.peer.data();
    config.timeout = static_cast<long>(std::max(m_settings.timeoutSeconds, 0)) * 1000000L;
    config.retries = std::max(m_settings.retryCount, 0);
    if (!v3) {
        config.version = SNMP_VERSION_2c;
        config.community = reinterpret_cast<u_char*>(m_community.data());
        config.community_len = m_community.size();
    } else {
        const SnmpV3Credentials& credentials = m_settings.snmpV3;
        config.version = SNMP_VERSION_3;
        config.flags |= SNMP_FLAGS_DONT_PROBE;
        h.securityName = credentials.user;
        h.context = credentials.context;
        config.securityName = h.securityName.data();
        config.securityNameLen = h.securityName.size();
        config.contextName = h.context.data();
        config.contextNameLen = h.context.size();
        config.securityModel = SNMP_SEC_MODEL_USM;
        const bool auth = credentials.authProtocol != SnmpAuthProtocol::None;
        const bool priv = auth && credentials.privProtocol != SnmpPrivProtocol::None;
        config.securityLevel = priv   ? SNMP_SEC_LEVEL_AUTHPRIV
                               : auth ? SNMP_SEC_LEVEL_AUTHNOPRIV
                                      : SNMP_SEC_LEVEL_NOAUTH;
        const UsmKeys& keys = usmKeys(credentials);
        if (!keys.made) {
            m_failure = "SNMPv3 Key Error";
            return kSnmpLocalFailure;
        }
        const ProtocolOid authProtocol = authOid(credentials.authProtocol);
        const ProtocolOid privProtocol = privOid(credentials.privProtocol);
        if (auth) {
            config.securityAuthProto = snmp_duplicate_objid(authProtocol.id, authProtocol.length);
            config.securityAuthProtoLen = authProtocol.length;
            std::copy_n(keys.auth, keys.authLength, config.securityAuthKey);
            config.securityAuthKeyLen = keys.authLength;
        }
        if (priv) {
            config.securityPrivProto = snmp_duplicate_objid(privProtocol.id, privProtocol.length);
            config.securityPrivProtoLen = privProtocol.length;
            std::copy_n(keys.priv, keys.privLength, config.securityPrivKey);
            config.securityPrivKeyLen = keys.privLength;
        }
    }
    {
        std::lock_guard lock(snmpLibraryMutex());
        netsnmp_transport* transport = netsnmp_transport_open_client("snmp", config.peername);
        if (transport != nullptr) {
            // Replies of v2c go through the same lenient parser as v1's; v3 ones are the
            // library's, which must check and decrypt them.
            h.session = snmp_sess_add_ex(&config, transport, acceptOnlyFromPeer, v3 ? nullptr : parseCommunityReply,
                                         nullptr, nullptr, nullptr, nullptr, nullptr);
        }
    }
    // The library copied the protocols.
    SNMP_FREE(config.securityAuthProto);
    SNMP_FREE(config.securityPrivProto);
    if (h.session == nullptr) {
        m_failure = "SNMP Open Error";
        return kSnmpLocalFailure;
    }
    if (v3) {
        netsnmp_session* session = snmp_sess_session(h.session);
        session->flags &= ~SNMP_FLAGS_DONT_PROBE;
        if (!snmpv3_engineID_probe(static_cast<struct session_list*>(h.session), session)) {
            const char* text = securityFailureText(session->s_snmp_errno);
            m_failure = text != nullptr ? text : "No Response";
            return text != nullptr ? kSnmpSecurityFailure : kSnmpNoResponse;
        }
    }
    return kSnmpAnswered;
}

int SnmpSession::exchange(int pduType, const std::vector<std::string>& oids, int repetitions,
                          std::vector<std::pair<std::string, std::string>>& bindings) {
    bindings.clear();
    m_failure.clear();
    if (m_openResult < 0) {
        m_openResult = open();
    }
    if (m_openResult != kSnmpAnswered) {
        return m_openResult;
    }
    netsnmp_pdu* pdu;
    {
        std::lock_guard lock(snmpLibraryMutex());
        pdu = snmp_pdu_create(pduType);
    }
    if (pdu == nullptr) {
        m_failure = "SNMP Program Error(OID)";
        return kSnmpLocalFailure;
    }
    pdu->reqid = m_handle->nextRequestId;
    m_handle->nextRequestId = m_handle->nextRequestId == 0x7FFFFFFF ? 1 : m_handle->nextRequestId + 1;
    if (pduType == SNMP_MSG_GETBULK) {
        pdu->non_repeaters = 0;
        pdu->max_repetitions = repetitions;
    }
    std::vector<oid> asked;
    for (const std::string& text : oids) {
        if (!parseOid(std::string_view(text).substr(0, 1023), asked)) {
            snmp_free_pdu(pdu);
            m_failure = "SNMP oidlist Error";
            return kSnmpLocalFailure;
        }
        if (snmp_add_null_var(pdu, asked.data(), asked.size()) == nullptr) {
            snmp_free_pdu(pdu);
            m_failure = "SNMP Program Error(OID)";
            return kSnmpLocalFailure;
        }
    }
    netsnmp_pdu* rawResponse = nullptr;
    const int status = snmp_sess_synch_response(m_handle->session, pdu, &rawResponse);
    PduPtr response(rawResponse);
    if (status != STAT_SUCCESS || !response) {
        int error = 0;
        if (status == STAT_ERROR) {
            error = snmp_sess_session(m_handle->session)->s_snmp_errno;
        }
        const char* text = securityFailureText(error);
        m_failure = text != nullptr ? text : "No Response";
        return text != nullptr ? kSnmpSecurityFailure : kSnmpNoResponse;
    }
    if (response->errstat != SNMP_ERR_NOERROR) {
        m_failure = "Not Support";
        return kSnmpRequestError;
    }
    for (netsnmp_variable_list* var = response->variables; var != nullptr; var = var->next_variable) {
        switch (var->type) {
        case SNMP_NOSUCHOBJECT:
        case SNMP_NOSUCHINSTANCE:
            bindings.emplace_back(dottedName(*var), "Not Support");
            break;
        case SNMP_ENDOFMIBVIEW:
            bindings.emplace_back("", "Not Support");
            break;
        case ASN_COUNTER64:
            // v1 has no Counter64 (its agents answer an error status); here it is a number.
            bindings.emplace_back(dottedName(*var), std::to_string(toSnmpValue(*var).counter64));
            break;
        default:
            bindings.emplace_back(dottedName(*var), renderSnmpValue(toSnmpValue(*var)));
            break;
        }
    }
    return kSnmpAnswered;
}

int SnmpSession::get(const std::vector<std::string>& oids, std::vector<std::string>& values) {
    values.clear();
    std::vector<std::pair<std::string, std::string>> bindings;
    const int result = exchange(SNMP_MSG_GET, oids, 0, bindings);
    if (result == kSnmpAnswered && bindings.size() != oids.size()) {
        // An agent that leaves objects out of its answer answers none of them as asked.
        m_failure = "Not Support";
        return kSnmpRequestError;
    }
    for (auto& binding : bindings) {
        values.push_back(std::move(binding.second));
    }
    return result;
}

int SnmpSession::getNext(std::string_view oidText, std::string& name, std::string& value) {
    std::vector<std::pair<std::string, std::string>> bindings;
    const int result = exchange(SNMP_MSG_GETNEXT, {std::string(oidText)}, 0, bindings);
    name.clear();
    value = result == kSnmpAnswered || result == kSnmpRequestError ? "Not Support" : m_failure;
    if (result == kSnmpAnswered && !bindings.empty()) {
        name = std::move(bindings.front().first);
        value = std::move(bindings.front().second);
    }
    return result == kSnmpRequestError ? kSnmpAnswered : result;
}

int SnmpSession::getBulk(std::string_view oidText, int repetitions,
                         std::vector<std::pair<std::string, std::string>>& bindings) {
    return exchange(SNMP_MSG_GETBULK, {std::string(oidText)}, repetitions, bindings);
}

} // namespace sorpex
