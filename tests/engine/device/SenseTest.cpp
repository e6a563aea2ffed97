// Decoding of failed requests into the engine's message texts.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "engine/device/ScsiDevice.h"
#include "engine/device/SenseTables.h"
#include "engine/transport/Aspi.h"
#include "support/FakeDrive.h"

using namespace tarnwick;

namespace {

SRB_ExecSCSICmd Failed(uint8_t status, uint8_t haStat, uint8_t targStat) {
    SRB_ExecSCSICmd r{};
    r.SRB_Status = status;
    r.SRB_HaStat = haStat;
    r.SRB_TargStat = targStat;
    return r;
}

void SetSense(SRB_ExecSCSICmd& r, uint8_t code, uint8_t byte2, uint8_t addLen, uint8_t asc, uint8_t ascq) {
    r.SenseArea[0] = code;
    r.SenseArea[2] = byte2;
    r.SenseArea[7] = addLen;
    r.SenseArea[12] = asc;
    r.SenseArea[13] = ascq;
}

std::string Decode(SRB_ExecSCSICmd r) {
    TSCSIDevice dev;
    dev.ErrorText(r);
    return dev.LastCommandError;
}

// The independent list of known (ASC, ASCQ) texts the table must match.
std::map<uint16_t, std::string> ExpectedAdditionalSense() {
    std::ifstream in(std::string(TARNWICK_SOURCE_DIR) + "/tests/engine/device/data/additional_sense.txt");
    std::map<uint16_t, std::string> pairs;
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() < 7) continue;
        const unsigned asc = std::stoul(line.substr(0, 2), nullptr, 16);
        const unsigned ascq = std::stoul(line.substr(3, 2), nullptr, 16);
        pairs[uint16_t((asc << 8) | ascq)] = line.substr(6);
    }
    return pairs;
}

} // namespace

TEST(StatusText, RequestHostAdapterAndTargetLevels) {
    struct Case {
        uint8_t status, haStat, targStat;
        const char* text;
    } cases[] = {
        {0x00, 0, 0, ""},
        {0x01, 0x11, 0x08, ""},
        {0x02, 0, 0, "OPERATION ABORTED BY USER"},
        {0x03, 0, 0, "OPERATION ABORTED BY USER"},
        {0x80, 0, 0, "INVALID REQUEST"},
        {0x81, 0, 0, "INVALID HOST ADAPTER"},
        {0x82, 0, 0, "NO DEVICE"},
        {0xE0, 0, 0, "INVALID SRB"},
        {0xE1, 0, 0, "BUFFER ALIGNMENT"},
        {0xE5, 0, 0, "ASPI IS BUSY"},
        {0xE6, 0, 0, "BUFFER TOO BIG"},
        {0xE2, 0, 0, "UNKNOWN"},
        {0x05, 0, 0, "UNKNOWN"},
        {0x04, 0x09, 0x02, "COMMAND TIMEOUT"},
        {0x04, 0x0B, 0, "SRB TIMEOUT"},
        {0x04, 0x0D, 0, "MESSAGE REJECT"},
        {0x04, 0x0E, 0, "BUS RESET"},
        {0x04, 0x0F, 0, "PARITY ERROR"},
        {0x04, 0x10, 0, "REQUEST SENSE FAILED"},
        {0x04, 0x11, 0, "SELECTION TIMEOUT"},
        {0x04, 0x12, 0, "DATA OVERRUN"},
        {0x04, 0x13, 0, "UNEXPECTED BUS FREE"},
        {0x04, 0x14, 0, "UNKNOWN"},
        {0x04, 0x00, 0x00, "CHECK CONDITION"},
        {0x04, 0x00, 0x02, "CHECK CONDITION"},
        {0x04, 0x00, 0x18, "TARGET RESERVATION CONFLICT"},
        {0x04, 0x00, 0x28, "TARGET QUEUE FULL"},
        {0x04, 0x00, 0x04, "UNKNOWN"},
    };
    for (const auto& c : cases) {
        TSCSIDevice dev;
        dev.TargetBusy = true;
        EXPECT_EQ(dev.StatusText(c.status, c.haStat, c.targStat), c.text)
            << std::hex << int(c.status) << "/" << int(c.haStat) << "/" << int(c.targStat);
        EXPECT_FALSE(dev.TargetBusy);
    }
}

TEST(StatusText, OnlyTargetBusyRaisesTheBusyFlag) {
    TSCSIDevice dev;
    EXPECT_EQ(dev.StatusText(0x04, 0x00, 0x08), "TARGET BUSY");
    EXPECT_TRUE(dev.TargetBusy);
    // BUSY behind a host-adapter error is not looked at.
    EXPECT_EQ(dev.StatusText(0x04, 0x11, 0x08), "SELECTION TIMEOUT");
    EXPECT_FALSE(dev.TargetBusy);
}

TEST(ErrorText, CheckConditionIsRefinedByTheResponseCodeAndSenseKey) {
    // GOOD behind SS_ERR is treated as a CHECK CONDITION.
    auto r = Failed(0x04, 0, 0x00);
    SetSense(r, 0x70, 0x03, 10, 0x0C, 0x00);
    EXPECT_EQ(Decode(r), "MEDIUM ERROR (WRITE ERROR)");
    SetSense(r, 0x70, 0x03, 0, 0x0C, 0x00);
    EXPECT_EQ(Decode(r), "MEDIUM ERROR");

    for (uint8_t code : {0x70, 0x71, 0xF0, 0xF1}) {
        auto f = Failed(0x04, 0, 0x02);
        SetSense(f, code, 0x05, 10, 0x24, 0x00);
        EXPECT_EQ(Decode(f), "ILLEGAL REQUEST (INVALID FIELD IN CDB)") << int(code);
    }
    // Descriptor format is not decoded, but its ASC bytes are still quoted.
    auto d = Failed(0x04, 0, 0x02);
    SetSense(d, 0x72, 0x05, 10, 0x24, 0x00);
    EXPECT_EQ(Decode(d), "UNKNOWN (INVALID FIELD IN CDB)");
    // No sense data at all: an empty message.
    EXPECT_EQ(Decode(Failed(0x04, 0, 0x02)), "");
}

TEST(ErrorText, SenseKeyZeroLooksAtFilemarkEomAndIli) {
    struct Case {
        uint8_t byte2;
        const char* text;
    } cases[] = {
        {0x00, "NO ADDITIONAL SENSE INFORMATION"},
        {0x20, "ILLEGAL LENGTH"},
        {0x40, "END OF MEDIA"},
        {0x60, "END OF MEDIA"},
        {0x80, "FILEMARK"},
        {0xC0, "FILEMARK"},
        {0xE0, "FILEMARK"},
    };
    for (const auto& c : cases) {
        auto r = Failed(0x04, 0, 0x02);
        SetSense(r, 0x70, c.byte2, 0, 0, 0);
        EXPECT_EQ(Decode(r), c.text) << std::hex << int(c.byte2);
    }
}

TEST(ErrorText, VendorKeysKeepCheckConditionAndPairsWithoutTextAreDecimal) {
    auto r = Failed(0x04, 0, 0x02);
    SetSense(r, 0x70, 0x09, 10, 0x00, 0x00);
    EXPECT_EQ(Decode(r), "CHECK CONDITION (NO ADDITIONAL SENSE INFORMATION)");
    SetSense(r, 0x70, 0x0C, 10, 0x00, 0x00);
    EXPECT_EQ(Decode(r), "CHECK CONDITION (NO ADDITIONAL SENSE INFORMATION)");
    SetSense(r, 0x70, 0x02, 10, 0x04, 0x05);
    EXPECT_EQ(Decode(r), "NOT READY (4,5)");
    SetSense(r, 0x70, 0x03, 10, 0x55, 0x00);
    EXPECT_EQ(Decode(r), "MEDIUM ERROR (85,0)");
}

TEST(SenseText, RunsForEveryFailureAndCopiesTheWholeSenseArea) {
    TSCSIDevice dev;
    // A status-level failure that still carries sense bytes: the suffix is appended.
    auto r = Failed(0xE5, 0, 0);
    SetSense(r, 0x70, 0x02, 10, 0x3A, 0x02);
    r.SenseArea[32] = 0xAB;
    dev.ErrorText(r);
    EXPECT_EQ(dev.LastCommandError, "ASPI IS BUSY (MEDIUM NOT PRESENT - TRAY OPEN)");
    EXPECT_EQ(0, std::memcmp(dev.LastSense.data(), r.SenseArea, 33));
    // With a zeroed sense area nothing is appended.
    dev.ErrorText(Failed(0x04, 0x11, 0));
    EXPECT_EQ(dev.LastCommandError, "SELECTION TIMEOUT");
}

TEST(SenseTables, EveryPairOutsideTheTableHasNoText) {
    const auto expected = ExpectedAdditionalSense();
    ASSERT_EQ(expected.size(), 256u);
    size_t known = 0;
    for (unsigned key = 0; key < 0x10000; ++key) {
        const char* text = AdditionalSenseText(uint8_t(key >> 8), uint8_t(key));
        auto it = expected.find(uint16_t(key));
        if (it == expected.end()) {
            EXPECT_EQ(text, nullptr) << std::hex << key;
        } else {
            ASSERT_NE(text, nullptr) << std::hex << key;
            ++known;
        }
    }
    EXPECT_EQ(known, 256u);
}
