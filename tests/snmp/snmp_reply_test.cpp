#include "snmp/snmp_reply.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

using namespace sorpex;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A BER element, with a long-form length from 128 bytes of contents on.
Bytes tlv(std::uint8_t tag, const Bytes& contents) {
    Bytes out = {tag};
    const std::size_t n = contents.size();
    if (n < 0x80) {
        out.push_back(static_cast<std::uint8_t>(n));
    } else if (n < 0x100) {
        out.insert(out.end(), {0x81, static_cast<std::uint8_t>(n)});
    } else {
        out.insert(out.end(), {0x82, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)});
    }
    out.insert(out.end(), contents.begin(), contents.end());
    return out;
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A v1 GetResponse with community "public" and the given values, bound to 1.3.6.1, 1.3.6.2 ...
Bytes response(const std::vector<Bytes>& values) {
    Bytes bindings;
    for (std::size_t i = 0; i < values.size(); ++i) {
        bindings = bindings + tlv(0x30, tlv(0x06, {0x2B, 6, static_cast<std::uint8_t>(1 + i)}) + values[i]);
    }
    const Bytes zero = tlv(0x02, {0});
    return tlv(0x30, zero + tlv(0x04, {'p', 'u', 'b', 'l', 'i', 'c'}) +
                         tlv(0xA2, tlv(0x02, {0x12, 0x34}) + zero + zero + tlv(0x30, bindings)));
}

} // namespace

TEST(SnmpReply, RetagsWhatTheLibraryWouldDropThroughLongFormLengths) {
    const Bytes sequence300 = tlv(0x30, Bytes(300, 0x41)), text130 = tlv(0x04, Bytes(130, 0x42));
    const Bytes address5 = tlv(0x40, {1, 2, 3, 4, 5}), address4 = tlv(0x40, {1, 2, 3, 4});
    struct Case {
        const char* what;
        std::vector<Bytes> values;
        std::vector<std::pair<std::size_t, std::uint8_t>> retagged;
    };
    const Case cases[] = {
        {"a 300-byte SEQUENCE, then a five-byte address", {sequence300, address5}, {{0, 0x30}, {1, 0x40}}},
        {"a 130-byte text between them", {address5, text130, sequence300}, {{0, 0x40}, {2, 0x30}}},
        {"values the library reads", {text130, address4, tlv(0x02, {1})}, {}},
    };
    for (const Case& c : cases) {
        const Bytes before = response(c.values);
        Bytes message = before;
        const std::vector<RetaggedValue> retagged = retagUndecodableValues(message);
        ASSERT_EQ(retagged.size(), c.retagged.size()) << c.what;
        std::size_t changed = 0;
        for (std::size_t i = 0; i < retagged.size(); ++i) {
            EXPECT_EQ(retagged[i].binding, c.retagged[i].first) << c.what;
            EXPECT_EQ(retagged[i].tag, c.retagged[i].second) << c.what;
        }
        for (std::size_t i = 0; i < message.size(); ++i) {
            changed += message[i] != before[i];
            EXPECT_TRUE(message[i] == before[i] || message[i] == 0x04) << c.what << " byte " << i;
        }
        EXPECT_EQ(changed, c.retagged.size()) << c.what;
    }
}

TEST(SnmpReply, LeavesATruncatedOrOverlongMessageAsItWas) {
    const Bytes whole = response({tlv(0x30, Bytes(300, 0x41)), tlv(0x40, {1, 2, 3, 4, 5})});
    // Every cut, inside a tag, a long-form length or a value.
    for (std::size_t size = 0; size < whole.size(); ++size) {
        Bytes message(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_TRUE(retagUndecodableValues(message).empty()) << size << " bytes";
        EXPECT_TRUE(std::equal(message.begin(), message.end(), whole.begin())) << size << " bytes";
    }
    // Lengths that claim more than there is, or take more than four bytes.
    for (Bytes message : {Bytes{0x30, 0x84, 0xFF, 0xFF, 0xFF, 0xFF, 0x02}, Bytes{0x30, 0x85, 0, 0, 0, 0, 1, 0x02}}) {
        const Bytes before = message;
        EXPECT_TRUE(retagUndecodableValues(message).empty());
        EXPECT_EQ(message, before);
    }
}
