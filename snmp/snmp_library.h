#pragma once

#include "snmp/snmp_value.h"

#include <mutex>
#include <string_view>
#include <vector>

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

// The pieces of the SNMP library's use that the v1 requests and the v2c/v3 sessions share.
namespace sorpex {

// Debian builds the library without its reentrant option: the request, message and session id
// counters are process-wide and unguarded. Opening a session, creating a PDU and closing a
// session touch them, so they take turns; the exchange itself runs in parallel.
std::mutex& snmpLibraryMutex();

// ".1.3.6.1.2.1.1.5.0" is absolute; without the leading dot the text is relative to mib-2
// (1.3.6.1.2.1), as the Windows manager API reads it. False when the text is no identifier.
bool parseOid(std::string_view text, std::vector<oid>& out);

SnmpValue toSnmpValue(const netsnmp_variable_list& var);

// Parses a v1 or v2c reply leniently: values the library would drop the whole reply for are
// kept as bytes (see retagUndecodableValues).
int parseCommunityReply(netsnmp_session* session, netsnmp_pdu* pdu, u_char* data, size_t length);

// The library takes a reply from whoever sends one to the session's port, if only its request ID
// matches; this check, given to snmp_sess_add_ex, drops every reply from another address or port.
int acceptOnlyFromPeer(netsnmp_session* session, netsnmp_transport* transport, void* from, int fromLength);

// A request ID in 1 .. 2^31 - 1 that a sender who sees none of our requests cannot guess: the
// library counts its IDs up from one process-wide start.
long randomRequestId();

} // namespace sorpex
