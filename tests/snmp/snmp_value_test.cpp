#include "snmp/snmp_value.h"

#include <gtest/gtest.h>

using namespace sorpex;

namespace {

SnmpValue bytesOf(int type, std::vector<std::uint8_t> bytes) {
    SnmpValue value;
    value.type = type;
    value.bytes = std::move(bytes);
    return value;
}

SnmpValue numberOf(int type, std::int64_t number) {
    SnmpValue value;
    value.type = type;
    value.number = number;
    return value;
}

} // namespace

TEST(SnmpValueText, OctetStringsKeepPrintableBytesAndSpellOutControlBytes) {
    EXPECT_EQ(renderSnmpValue(bytesOf(asn::kOctetString, {'A', 'B', 0x0D, 0x0A})), "AB<0x0D><0x0A>");
    EXPECT_EQ(renderSnmpValue(bytesOf(asn::kOctetString, {0x00})), "<0x00>");
    EXPECT_EQ(renderSnmpValue(bytesOf(asn::kOctetString, {0x41})), "A");
    EXPECT_EQ(renderSnmpValue(bytesOf(asn::kOctetString, {})), "");
    // Shift-JIS passes unchanged, "プリンタ".
    EXPECT_EQ(renderSnmpValue(bytesOf(asn::kOctetString, {0x83, 0x76, 0x83, 0x8A, 0x83, 0x93, 0x83, 0x5E})),
              "\x83\x76\x83\x8A\x83\x93\x83\x5E");
}

TEST(SnmpValueText, ByteSequencesAreHexEveryByte) {
    EXPECT_EQ(renderSnmpValue(bytesOf(asn::kBitString, {0x10, 0xAB})), "<0x10><0xAB>");
    EXPECT_EQ(renderSnmpValue(bytesOf(asn::kSequence, {0x01})), "<0x01>");
    EXPECT_EQ(renderSnmpValue(bytesOf(asn::kOpaque, {0xff, 0x00})), "<0xFF><0x00>");
}

TEST(SnmpValueText, NumbersAddressesAndIdentifiers) {
    EXPECT_EQ(renderSnmpValue(numberOf(asn::kInteger, -3)), "-3");
    EXPECT_EQ(renderSnmpValue(numberOf(asn::kInteger, 2147483647)), "2147483647");
    EXPECT_EQ(renderSnmpValue(numberOf(asn::kCounter32, 4294967295LL)), "4294967295");
    EXPECT_EQ(renderSnmpValue(numberOf(asn::kGauge32, 7)), "7");
    EXPECT_EQ(renderSnmpValue(numberOf(asn::kTimeTicks, 123456)), "123456");
    EXPECT_EQ(renderSnmpValue(numberOf(asn::kUnsigned32, 0)), "0");
    EXPECT_EQ(renderSnmpValue(bytesOf(asn::kIpAddress, {192, 168, 0, 1})), "192.168.0.1");
    EXPECT_EQ(renderSnmpValue(bytesOf(asn::kIpAddress, {192, 168, 0})), "Invalid");
    EXPECT_EQ(renderSnmpValue(bytesOf(asn::kIpAddress, {1, 2, 3, 4, 5})), "Invalid");

    SnmpValue big;
    big.type = asn::kCounter64;
    big.counter64 = (1ull << 32) + 1;
    EXPECT_EQ(renderSnmpValue(big), "00000001");
    big.counter64 = 0xABCDEF;
    EXPECT_EQ(renderSnmpValue(big), "00ABCDEF");

    SnmpValue id;
    id.type = asn::kObjectId;
    id.oid = {1, 3, 6, 1, 4294967295u};
    EXPECT_EQ(renderSnmpValue(id), "1.3.6.1.4294967295");

    EXPECT_EQ(renderSnmpValue(SnmpValue{}), "Invalid type(5)");
    EXPECT_EQ(renderSnmpValue(numberOf(0x80, 0)), "Invalid type(128)");
}

TEST(SnmpValueText, IsCutAt1023Characters) {
    // Control bytes take six characters each: 1024 of them would make 6144.
    std::string text = renderSnmpValue(bytesOf(asn::kOctetString, std::vector<std::uint8_t>(1024, 0x01)));
    EXPECT_EQ(text.size(), 1023u);
    EXPECT_EQ(text.substr(0, 12), "<0x01><0x01>");

    text = renderSnmpValue(bytesOf(asn::kOctetString, std::vector<std::uint8_t>(2000, 'x')));
    EXPECT_EQ(text, std::string(1023, 'x'));

    // A double-byte character across the cut goes whole: no lone lead byte at the end.
    std::vector<std::uint8_t> japanese(1026, 'x');
    japanese[1022] = japanese[1024] = 0x82;
    japanese[1023] = 0xA0;
    japanese[1025] = 0xA2;
    EXPECT_EQ(renderSnmpValue(bytesOf(asn::kOctetString, japanese)), std::string(1022, 'x'));

    EXPECT_EQ(renderSnmpValue(bytesOf(asn::kBitString, std::vector<std::uint8_t>(500, 0xAA))).size(), 1023u);
    SnmpValue id;
    id.type = asn::kObjectId;
    id.oid.assign(128, 4294967295u);
    EXPECT_EQ(renderSnmpValue(id).size(), 1023u);
}
