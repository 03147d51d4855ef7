// The receive checksum rule, field splitting and FieldToInt.
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "nmea/Fields.h"
#include "nmea/State.h"

namespace qv::nmea {
namespace {

struct ChecksumCase {
    const char* text;
    bool ok;
};

TEST(NmeaChecksum, AcceptsAndRejectsByTheReceiveRule) {
    const ChecksumCase cases[] = {
        {"$GPGLL,,,,,,V,N*64\r\n", true},
        {"$GPGLL,,,,,,V,N*65\r\n", false},                  // wrong value
        {"$PMTK001,604,1*30\r\n", true},
        {"$GPGSA,A,2,20,17,23,14,,,,,,,,,1.62,1.31,0.95*09", true},
        {"$GPGSA,A,2,20,17,23,14,,,,,,,,,1.62,1.31,0.95*9", true},   // one digit reads as 0x09
        {"$GPGSA,A,2,20,17,23,14,,,,,,,,,1.62,1.31,0.95*90", false},  // two digits: 0x90
        {"$A*41", true},                                    // 'A' = 0x41
        {"$A*4\r\n", false},
        {"$\x04*4\r\n", true},                              // one digit before CR
        {"$\x04* 4\r\n", true},                             // white space before the digits
        {"$\x04*+4", true},                                 // sign shares the width of two
        {"$A*4g", false},
        {"$GPGLL,,,,,,V,N\r\n", false},                      // no "*"
        {"$", false},
        {"$A*", false},
        {"$A*g1", false},                                   // no digit after "*"
        {"$$A*41", true},                                   // every "$" is left out
        {"$A$*41", true},
        {"$A*41*00", true},                                 // the first "*" counts
        {"$*00", true},                                     // nothing xors to zero
        {"$*-0", true},
        {"$*0x", true},                                     // "0x" within two: the digit 0
    };
    for (const auto& c : cases) EXPECT_EQ(SentenceChecksumOk(c.text), c.ok) << c.text;
    EXPECT_FALSE(SentenceChecksumOk(std::string_view{}));
    // A zero byte ends the text: what follows it is not read.
    EXPECT_FALSE(SentenceChecksumOk(std::string_view("$A\0*41", 6)));
}

TEST(NmeaChecksum, LowerCaseDigitsAreRead) {
    // 0x4F written as "4f" and as "4F".
    std::string body = "GPABC,1,2";
    unsigned x = 0;
    for (char c : body) x ^= static_cast<unsigned char>(c);
    char lower[8], upper[8];
    std::snprintf(lower, sizeof lower, "%02x", x);
    std::snprintf(upper, sizeof upper, "%02X", x);
    EXPECT_TRUE(SentenceChecksumOk("$" + body + "*" + lower + "\r\n"));
    EXPECT_TRUE(SentenceChecksumOk("$" + body + "*" + upper + "\r\n"));
}

// The digits after "*" read exactly as sscanf("%2x") reads them, for every
// two-byte tail over a set of interesting bytes and every xor value.
TEST(NmeaChecksum, DigitsReadLikeTheFormattedInputRule) {
    const char bytes[] = {'0', '9', 'a', 'F', 'g', 'x', '+', '-', ' ', '\r', '\n', '\t', ',', '*'};
    for (char a : bytes)
        for (char b : bytes)
            for (char c : {'\0', '1', 'f'})
                for (unsigned x = 0; x < 256; x += 15) {
                    const char tail[4] = {a, b, c, 0};
                    unsigned v = 0;
                    const bool read = std::sscanf(tail, "%2x", &v) == 1;
                    std::string s = "$";
                    if (x) s.push_back(static_cast<char>(x));
                    s += '*';
                    s += tail;
                    EXPECT_EQ(SentenceChecksumOk(s), read && v == x) << "tail [" << tail << "] x=" << x;
                }
}

struct SplitCase {
    const char* text;
    std::vector<std::string> slots;  // slots 0..n-1; every later slot empty
};

TEST(NmeaSplit, FillsSlotsByTheCommaRule) {
    const SplitCase cases[] = {
        {"$GPGLL,,,,,,V,N*64\r\n", {"GPGLL", "", "", "", "", "", "V", "N"}},
        {"$PMTK001,604,1*30\r\n", {"PMTK001", "604", "1"}},
        {"$GPTXT*11", {"GPTXT"}},
        {"$A,b*c,d*00", {"A", "b*c", "d"}},          // "*" inside an earlier field is kept
        {"$A,b,c", {"A", "b", ""}},                  // last field without "*" stays empty
        {"$A,b,*00", {"A", "b", ""}},
        {"$A*00,x,y*11", {"A*00", "x", "y"}},        // the last field ends at the first "*" after the last comma
        {"$", {""}},
        {"$,,", {"", "", ""}},
        {"", {""}},
    };
    for (const auto& c : cases) {
        SplitFields(c.text);
        for (int i = 0; i < kFieldSlots; ++i) {
            const std::string want = i < static_cast<int>(c.slots.size()) ? c.slots[static_cast<std::size_t>(i)] : "";
            EXPECT_EQ(std::string(FieldTable[i]), want) << c.text << " slot " << i;
        }
    }
}

TEST(NmeaSplit, LeavesNoStaleBytesFromTheSentenceBefore) {
    SplitFields("$GPGSV,3,1,12,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45*75");
    SplitFields("$GPGLL,1*00");
    // The whole table is as if it had been zero-filled before the split.
    char expected[kFieldSlots][kFieldSize] = {};
    std::strcpy(expected[0], "GPGLL");
    std::strcpy(expected[1], "1");
    EXPECT_EQ(std::memcmp(expected, FieldTable, sizeof expected), 0);

    // Text written straight into the table by other code is cleared as well.
    std::strcpy(FieldTable[30], "left over");
    SplitFields("$A,b*00");
    EXPECT_STREQ(FieldTable[30], "");
}

TEST(NmeaSplit, NeverWritesPastTheTable) {
    // 60 fields: the first 50 slots are kept, the rest dropped.
    std::string many = "$ADDR";
    for (int i = 1; i < 60; ++i) many += "," + std::to_string(i);
    many += "*00";
    SplitFields(many);
    EXPECT_STREQ(FieldTable[0], "ADDR");
    EXPECT_STREQ(FieldTable[49], "49");

    // A field of 6000 bytes is cut to what a slot holds with its terminator.
    const std::string longField(6000, 'x');
    SplitFields("$A," + longField + ",b*00");
    EXPECT_EQ(std::strlen(FieldTable[1]), static_cast<std::size_t>(kFieldSize - 1));
    EXPECT_STREQ(FieldTable[2], "b");
}

TEST(NmeaFieldToInt, ReadsLikeStrtolAndSaturates) {
    const struct {
        const char* text;
        std::int32_t value;
    } cases[] = {
        {"", 0},           {"07", 7},
        {"  42", 42},      {"\t-17x", -17},
        {"+5", 5},         {"abc", 0},
        {"-", 0},          {"- 5", 0},
        {"12.9", 12},      {"3D", 3},
        {"2147483647", INT32_MAX},
        {"2147483648", INT32_MAX},
        {"99999999999999999999999", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"-2147483649", INT32_MIN},
        {"-99999999999999999999999", INT32_MIN},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FieldToInt(c.text), c.value) << c.text;
        EXPECT_EQ(FieldToInt(std::string_view(c.text)), c.value) << c.text;
    }
    // A view stops at its own end, not at the terminator of the text behind it.
    EXPECT_EQ(FieldToInt(std::string_view("123456", 3)), 123);
}

}  // namespace
}  // namespace qv::nmea
