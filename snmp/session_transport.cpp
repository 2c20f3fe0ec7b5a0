#include "settings/app_settings.h"
#include "snmp/snmp_get.h"
#include "snmp/snmp_session.h"
#include "snmp/status_query.h"

#include <map>
#include <memory>
#include <utility>

namespace sorpex {
namespace {

// Dotted identifiers in the order of their numbers.
bool oidBefore(std::string_view a, std::string_view b) {
    auto numbers = [](std::string_view text) {
        std::vector<unsigned long> out;
        unsigned long number = 0;
        for (char c : text.substr(text.empty() || text.front() != '.' ? 0 : 1)) {
            if (c == '.') {
                out.push_back(number);
                number = 0;
            } else {
                number = number * 10 + static_cast<unsigned long>(c - '0');
            }
        }
        out.push_back(number);
        return out;
    };
    return numbers(a) < numbers(b);
}

// What one v2c or v3 query has learnt from its agent: the objects fetched ahead, the successor
// of each object a walk passed, and the failure that ends the query.
struct SessionStore {
    SessionStore(const AppSettings& settings, std::string_view agent, std::string_view community, SnmpVersion version)
        : session(settings, agent, community, version) {}

    SnmpSession session;
    std::map<std::string, std::string, std::less<>> values;
    std::map<std::string, std::pair<std::string, std::string>, std::less<>> successors;
    int failure = kSnmpAnswered;
    std::string failureText;

    // Keeps a failure that ends the query; gives the result as the status query reads it.
    int settle(int result, std::string& out) {
        if (result == kSnmpRequestError) {
            out = "Not Support";
            return kSnmpAnswered;
        }
        if (result != kSnmpAnswered) {
            failure = result;
            failureText = session.failure();
            out = failureText;
        }
        return result;
    }

    int get(std::string_view oid, std::string& out) {
        if (failure != kSnmpAnswered) {
            out = failureText;
            return failure;
        }
        if (auto known = values.find(oid); known != values.end()) {
            out = known->second;
            return kSnmpAnswered;
        }
        std::vector<std::string> answers;
        const int result = session.get({std::string(oid)}, answers);
        if (result == kSnmpAnswered) {
            out = answers.front();
            return result;
        }
        return settle(result, out);
    }

    int getNext(std::string_view oid, std::string& name, std::string& out) {
        name.clear();
        if (failure != kSnmpAnswered) {
            out = failureText;
            return failure;
        }
        if (auto known = successors.find(oid); known != successors.end()) {
            name = known->second.first;
            out = known->second.second;
            return kSnmpAnswered;
        }
        const int result = session.getNext(oid, name, out);
        return result == kSnmpAnswered ? result : settle(result, out);
    }

    int prefetch(const std::vector<std::string>& oids, std::string& out) {
        if (failure != kSnmpAnswered) {
            out = failureText;
            return failure;
        }
        std::vector<std::string> answers;
        const int result = session.get(oids, answers);
        if (result != kSnmpAnswered) {
            return settle(result, out);
        }
        for (std::size_t i = 0; i < oids.size(); ++i) {
            values[oids[i]] = std::move(answers[i]);
        }
        return result;
    }

    void prefetchWalk(std::string_view column, std::size_t rows, const std::vector<std::string_view>& cellColumns) {
        std::string from(column);
        std::vector<std::string> indexes;
        while (failure == kSnmpAnswered && indexes.size() < rows) {
            std::vector<std::pair<std::string, std::string>> bindings;
            const int result = session.getBulk(from, static_cast<int>(rows - indexes.size()), bindings);
            if (result != kSnmpAnswered || bindings.empty()) {
                // Left to getNext, which asks again and meets the failure itself.
                return;
            }
            bool inColumn = true;
            for (auto& [name, value] : bindings) {
                const bool inside = name.size() > column.size() + 1 && name.compare(0, column.size(), column) == 0 &&
                                    name[column.size()] == '.';
                std::string next = name;
                successors[from] = {std::move(name), std::move(value)};
                // An agent that answers an object not after the one asked would walk in circles.
                if (!inside || !oidBefore(from, next)) {
                    inColumn = false;
                    break;
                }
                indexes.push_back(next.substr(column.size() + 1));
                from = std::move(next);
                if (indexes.size() >= rows) {
                    break;
                }
            }
            if (!inColumn) {
                break;
            }
        }
        std::vector<std::string> cells;
        for (const std::string& index : indexes) {
            for (std::string_view cellColumn : cellColumns) {
                cells.push_back(std::string(cellColumn) + "." + index);
            }
        }
        std::string ignored;
        if (!cells.empty()) {
            prefetch(cells, ignored);
        }
    }
};

} // namespace

SnmpVersion effectiveVersion(const AppSettings& settings, SnmpVersion rowVersion) {
    return rowVersion == SnmpVersion::Default ? settings.snmpVersion : rowVersion;
}

SnmpTransport printerTransport(const AppSettings& settings, SnmpVersion version, std::string_view agent,
                               std::string_view community) {
    if (version != SnmpVersion::V2c && version != SnmpVersion::V3) {
        return snmpTransport(settings);
    }
    auto store = std::make_shared<SessionStore>(settings, agent, community, version);
    SnmpTransport transport;
    transport.get = [store](std::string_view, std::string_view, std::string_view oid, std::string& out) {
        return store->get(oid, out);
    };
    transport.getNext = [store](std::string_view, std::string_view, std::string_view oid, std::string& name,
                                std::string& out) { return store->getNext(oid, name, out); };
    transport.prefetch = [store](const std::vector<std::string>& oids, std::string& out) {
        return store->prefetch(oids, out);
    };
    transport.prefetchWalk = [store](std::string_view column, std::size_t rows,
                                     const std::vector<std::string_view>& cellColumns) {
        store->prefetchWalk(column, rows, cellColumns);
    };
    return transport;
}

} // namespace sorpex
