// The erase and format commands byte for byte, and what the engine makes of the drive's
// replies to them: the format list (hostile and short ones included) and the progress in the
// sense data.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/device/Cdb.h"
#include "engine/device/Erasing.h"
#include "engine/device/Outcome.h"
#include "engine/device/ScsiDevice.h"

using namespace tarnwick;

namespace {

template <size_t N>
std::vector<uint8_t> V(const std::array<uint8_t, N>& a) {
    return {a.begin(), a.end()};
}
using B = std::vector<uint8_t>;

// A READ FORMAT CAPACITIES reply: the header, the current/maximum descriptor (state in its
// byte 4) and the formattable descriptors given as (type, blocks, parameter).
struct TListed {
    uint8_t Type;
    uint32_t Blocks;
    uint32_t Parameter;
};
B FormatList(uint8_t state, const std::vector<TListed>& listed) {
    B r(4, 0);
    auto descriptor = [&](uint32_t blocks, uint8_t byte4, uint32_t parameter) {
        for (int s = 24; s >= 0; s -= 8) r.push_back(uint8_t(blocks >> s));
        r.push_back(byte4);
        for (int s = 16; s >= 0; s -= 8) r.push_back(uint8_t(parameter >> s));
    };
    descriptor(2295104, state, 2048);
    for (const auto& l : listed) descriptor(l.Blocks, uint8_t(l.Type << 2), l.Parameter);
    r[3] = uint8_t(r.size() - 4);
    return r;
}

B Descriptor(const rec::TFormatDescriptor& d) { return {d.begin(), d.end()}; }

} // namespace

TEST(EraseCdb, BlankMinimalAndFullWithOrWithoutImmed) {
    EXPECT_EQ(V(cdb::Blank(cdb::kBlankMinimal, true)), (B{0xA1, 0x11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(V(cdb::Blank(cdb::kBlankFull, true)), (B{0xA1, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(V(cdb::Blank(cdb::kBlankMinimal, false)), (B{0xA1, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    // Only the three bits of the blanking type reach the CDB.
    EXPECT_EQ(V(cdb::Blank(0xF9, true))[1], 0x11);
}

TEST(EraseCdb, FormatUnitSendsAParameterListAndReadFormatCapacitiesItsAllocation) {
    EXPECT_EQ(V(cdb::FormatUnit()), (B{0x04, 0x11, 0, 0, 0, 0}));
    EXPECT_EQ(V(cdb::ReadFormatCapacities(252)), (B{0x23, 0, 0, 0, 0, 0, 0, 0x00, 0xFC, 0}));
    EXPECT_EQ(V(cdb::ReadFormatCapacities(0x1234)), (B{0x23, 0, 0, 0, 0, 0, 0, 0x12, 0x34, 0}));
}

TEST(FormatChoice, EachMediumGetsItsDescriptorAsTheDriveListsIt) {
    const B list = FormatList(1, {{0x00, 2295104, 0x10}, {0x15, 2295104, 0x10}, {0x26, 2295104, 0}, {0x10, 100, 16}});
    const auto plus = rec::ChooseFormat(dtDVDPlusRW, list.data(), list.size());
    ASSERT_TRUE(plus);
    EXPECT_EQ(Descriptor(*plus), (B{0x00, 0x23, 0x05, 0x40, 0x26 << 2, 0, 0, 0}));
    // A DVD-RW prefers the quick format to restricted overwrite over the full one.
    for (uint8_t t : {uint8_t(dtDVDRW), uint8_t(dtDVDRWSequential), uint8_t(dtDVDRWRestricted)}) {
        const auto rw = rec::ChooseFormat(t, list.data(), list.size());
        ASSERT_TRUE(rw) << int(t);
        EXPECT_EQ(Descriptor(*rw), (B{0x00, 0x23, 0x05, 0x40, 0x15 << 2, 0, 0, 0x10}));
    }
    const auto ram = rec::ChooseFormat(dtDVDRAM, list.data(), list.size());
    ASSERT_TRUE(ram);
    EXPECT_EQ((*ram)[4], 0x00);
    // A DVD-RW whose drive lists no quick format is formatted in full.
    const B fullOnly = FormatList(2, {{0x00, 1000, 0x10}});
    const auto rw = rec::ChooseFormat(dtDVDRW, fullOnly.data(), fullOnly.size());
    ASSERT_TRUE(rw);
    EXPECT_EQ((*rw)[4], 0x00);
    EXPECT_EQ(rec::CapacityState(fullOnly.data(), fullOnly.size()), rec::TCapacityState::Formatted);
    EXPECT_EQ(rec::CapacityState(list.data(), list.size()), rec::TCapacityState::Unformatted);
    // Media that are not formatted get nothing, whatever the drive lists.
    for (uint8_t t : {uint8_t(dtCDRW), uint8_t(dtCDR), uint8_t(dtDVDR), uint8_t(dtDVDPlusR), uint8_t(dtUnknown)})
        EXPECT_FALSE(rec::ChooseFormat(t, list.data(), list.size())) << int(t);
}

TEST(FormatChoice, TheCurrentCapacityDescriptorIsNeverTakenForAFormattableOne) {
    // A current/maximum descriptor whose byte 4 reads like type 26h must not be chosen.
    B list = FormatList(0x26 << 2, {});
    EXPECT_FALSE(rec::ChooseFormat(dtDVDPlusRW, list.data(), list.size()));
}

TEST(FormatChoice, ShortAndHostileRepliesGiveNoDescriptorOrOnlyWholeOnes) {
    const B list = FormatList(1, {{0x26, 5000, 0}, {0x15, 6000, 0x10}});
    // Nothing, or less than the header.
    EXPECT_FALSE(rec::ChooseFormat(dtDVDPlusRW, list.data(), 0));
    EXPECT_FALSE(rec::ChooseFormat(dtDVDPlusRW, list.data(), 3));
    EXPECT_EQ(rec::CapacityState(list.data(), 3), rec::TCapacityState::Reserved);
    // The transfer ends inside the wanted descriptor: it is not used half read.
    EXPECT_FALSE(rec::ChooseFormat(dtDVDPlusRW, list.data(), 4 + 8 + 7));
    EXPECT_TRUE(rec::ChooseFormat(dtDVDPlusRW, list.data(), 4 + 8 + 8));
    // A list length beyond the bytes received is held to what arrived.
    B overlong = list;
    overlong[3] = 0xF8;
    EXPECT_FALSE(rec::ChooseFormat(dtDVDRW, overlong.data(), 4 + 16 + 4));
    ASSERT_TRUE(rec::ChooseFormat(dtDVDRW, overlong.data(), overlong.size()));
    // A list length that stops short hides the descriptors after it, though bytes arrived.
    B shortened = list;
    shortened[3] = 16;
    EXPECT_TRUE(rec::ChooseFormat(dtDVDPlusRW, shortened.data(), shortened.size()));
    EXPECT_FALSE(rec::ChooseFormat(dtDVDRW, shortened.data(), shortened.size()));
    // A length that is no multiple of 8 ends the list at the last whole descriptor.
    B ragged = list;
    ragged[3] = 8 + 8 + 5;
    EXPECT_TRUE(rec::ChooseFormat(dtDVDPlusRW, ragged.data(), ragged.size()));
    EXPECT_FALSE(rec::ChooseFormat(dtDVDRW, ragged.data(), ragged.size()));
}

TEST(FormatChoice, TheParameterListCarriesTheDescriptorBehindAHeaderWithFovAndImmed) {
    const rec::TFormatDescriptor d{0x00, 0x23, 0x05, 0x40, 0x98, 0x00, 0x00, 0x10};
    EXPECT_EQ(V(rec::FormatParameterList(d, true)), (B{0, 0x82, 0, 8, 0x00, 0x23, 0x05, 0x40, 0x98, 0, 0, 0x10}));
    EXPECT_EQ(V(rec::FormatParameterList(d, false)), (B{0, 0x00, 0, 8, 0x00, 0x23, 0x05, 0x40, 0x98, 0, 0, 0x10}));
}

namespace {
// Fixed-format sense: NOT READY 04/ascq with the progress indication when given.
B Sense(uint8_t key, uint8_t asc, uint8_t ascq, int progress = -1, uint8_t additional = 10) {
    B s(18, 0);
    s[0] = 0x70;
    s[2] = key;
    s[7] = additional;
    s[12] = asc;
    s[13] = ascq;
    if (progress >= 0) {
        s[15] = 0x80;
        s[16] = uint8_t(progress >> 8);
        s[17] = uint8_t(progress);
    }
    return s;
}
} // namespace

TEST(EraseProgress, TheIndicationIsReadOnlyWhenTheSenseCarriesIt) {
    const B working = Sense(0x02, 0x04, 0x08, 0x4000);
    ASSERT_TRUE(SenseProgress(working.data(), working.size()));
    EXPECT_EQ(*SenseProgress(working.data(), working.size()), 0x4000);
    EXPECT_EQ(*SenseProgress(Sense(0x02, 0x04, 0x04, 0xFFFF).data(), 18), 0xFFFF);
    // Deferred-error sense (71h) is fixed format as well.
    B deferred = working;
    deferred[0] = 0x71;
    EXPECT_TRUE(SenseProgress(deferred.data(), deferred.size()));
    // SKSV clear, additional length too short for bytes 16-17, a short transfer, descriptor
    // format (72h): no figure.
    EXPECT_FALSE(SenseProgress(Sense(0x02, 0x04, 0x08).data(), 18));
    EXPECT_FALSE(SenseProgress(Sense(0x02, 0x04, 0x08, 100, 9).data(), 18));
    EXPECT_FALSE(SenseProgress(working.data(), 17));
    B descriptorFormat = working;
    descriptorFormat[0] = 0x72;
    EXPECT_FALSE(SenseProgress(descriptorFormat.data(), descriptorFormat.size()));
}

TEST(EraseProgress, OnlyNotReadyWithALongOperationMeansTheDriveIsStillAtWork) {
    // The outcome of a TEST UNIT READY that ended with the given sense and target status.
    const auto Outcome = [](const B& sense, uint8_t targetStatus = STATUS_CHKCOND) {
        SRB_ExecSCSICmd r{};
        r.SRB_Status = SS_ERR;
        r.SRB_HaStat = HASTAT_OK;
        r.SRB_TargStat = targetStatus;
        std::copy(sense.begin(), sense.end(), r.SenseArea);
        return OutcomeOf(r);
    };
    for (uint8_t q : {0x01, 0x04, 0x07, 0x08}) EXPECT_TRUE(rec::OperationInProgress(Outcome(Sense(0x02, 0x04, q)))) << int(q);
    // No medium, manual intervention, another key with the same codes, no sense at all.
    EXPECT_FALSE(rec::OperationInProgress(Outcome(Sense(0x02, 0x3A, 0x00))));
    EXPECT_FALSE(rec::OperationInProgress(Outcome(Sense(0x02, 0x04, 0x03))));
    EXPECT_FALSE(rec::OperationInProgress(Outcome(Sense(0x05, 0x04, 0x08))));
    EXPECT_FALSE(rec::OperationInProgress(Outcome(B(18, 0))));
    // Sense left over beside a status other than CHECK CONDITION says nothing.
    EXPECT_FALSE(rec::OperationInProgress(Outcome(Sense(0x02, 0x04, 0x08), STATUS_BUSY)));
    // The progress figure travels with the outcome.
    EXPECT_EQ(Outcome(Sense(0x02, 0x04, 0x04, 0x4000)).Progress, std::optional<uint16_t>(0x4000));
    EXPECT_FALSE(Outcome(Sense(0x02, 0x04, 0x04)).Progress);
}

TEST(EraseProgress, DeadlinesFitTheMediumAndTheChoice) {
    for (uint8_t t : {uint8_t(dtCDRW), uint8_t(dtDVDRW), uint8_t(dtDVDRWSequential)})
        EXPECT_GT(rec::EraseDeadlineMs(t, true), rec::EraseDeadlineMs(t, false)) << int(t);
    // A CD-RW's minimal blank takes about two minutes at 1x, a full one over an hour.
    EXPECT_GE(rec::EraseDeadlineMs(dtCDRW, false), 4u * 60000);
    EXPECT_GE(rec::EraseDeadlineMs(dtCDRW, true), 80u * 60000);
    EXPECT_GE(rec::EraseDeadlineMs(dtDVDRAM, false), 60u * 60000);
    EXPECT_TRUE(rec::ErasedByFormat(dtDVDPlusRW));
    EXPECT_TRUE(rec::ErasedByFormat(dtDVDRAM));
    EXPECT_FALSE(rec::ErasedByFormat(dtDVDRW));
    EXPECT_FALSE(rec::ErasedByFormat(dtCDRW));
}
