#include "snmp/snmp_library.h"

#include "snmp/snmp_reply.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

#include <netinet/in.h>
#include <sys/random.h>

namespace sorpex {

std::mutex& snmpLibraryMutex() {
    static std::mutex mutex;
    return mutex;
}

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
// they are rendered as any other value. Everything else is the library's v1/v2c decoding; a
// reply of another version than the session's is none.
int parseCommunityReply(netsnmp_session* session, netsnmp_pdu* pdu, u_char* data, size_t length) {
    std::vector<std::uint8_t> message(data, data + length);
    const std::vector<RetaggedValue> retagged = retagUndecodableValues(message);
    u_char community[COMMUNITY_MAX_LEN];
    size_t communityLength = sizeof community;
    long version = -1;
    size_t left = message.size();
    u_char* rest = snmp_comstr_parse(message.data(), &left, community, &communityLength, &version);
    if (rest == nullptr || (version != SNMP_VERSION_1 && version != SNMP_VERSION_2c) ||
        (session != nullptr && version != session->version)) {
        return -1;
    }
    pdu->version = version;
    pdu->securityModel = version == SNMP_VERSION_1 ? SNMP_SEC_MODEL_SNMPv1 : SNMP_SEC_MODEL_SNMPv2c;
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

namespace {

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

} // namespace

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

} // namespace sorpex
