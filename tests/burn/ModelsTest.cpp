// A whole burn through every recorder model the emulator presents, on every medium it writes:
// the block-descriptor models (their mode replies carry 8 bytes before the page), the vendor
// page model, the model whose session is closed without Immed. Each lands byte for byte with
// every closing command accepted.
#include <gtest/gtest.h>

#include "BurnRig.h"
#include "emulator/Opcodes.h"

using namespace tarnwick;
using namespace tarnwick::test;
using emulator::TProfile;
namespace op = emulator::op;

TEST(EveryModel, BurnsEachMediumItWritesThroughTheWholeSequence) {
    size_t burns = 0;
    for (const auto& model : emulator::DriveModels()) {
        for (TProfile p : {TProfile::CdR, TProfile::CdRw, TProfile::DvdR, TProfile::DvdRwSequential,
                           TProfile::DvdRwRestricted, TProfile::DvdPlusR, TProfile::DvdPlusRw}) {
            if (!model.CanWrite(p)) continue;
            SCOPED_TRACE(model.Key + " " + emulator::KindName(p));
            emulator::TDriveConfig config;
            config.Model = model;
            TBurnRig rig(p, 0, config);
            auto result = rig.Burn(rig.MakeImage(300 * 2048));
            ++burns;
            ASSERT_TRUE(result.Started);
            EXPECT_EQ(result.Error, "");
            EXPECT_EQ(rig.DiscBytes(rig.Image.size()), rig.Image);

            const auto log = rig.Commands();
            for (const auto& r : log) EXPECT_TRUE(r.Completed) << "opcode " << int(r.Opcode());
            // The write parameters went through: no write or close was refused.
            for (uint8_t o : {op::Write10, op::CloseTrackSession})
                for (const auto& r : rig.CommandsWith(o))
                    EXPECT_EQ(r.Status, emulator::kStatusGood) << "opcode " << int(o) << " sense " << int(r.Sense.Asc);
            auto selects = rig.CommandsWith(op::ModeSelect10);
            ASSERT_FALSE(selects.empty());
            EXPECT_EQ(selects[0].Status, emulator::kStatusGood) << "the first write page";

            auto closes = rig.CommandsWith(op::CloseTrackSession);
            ASSERT_FALSE(closes.empty());
            if (p == TProfile::CdR || p == TProfile::CdRw) {
                // Track, then session; Immed on the session's close unless the model is known
                // to want it without.
                ASSERT_EQ(closes.size(), 2u);
                EXPECT_EQ(closes[0].Cdb[2], 1);
                EXPECT_EQ(closes[1].Cdb[2], 2);
                EXPECT_EQ(closes[1].Cdb[1] & 1, model.Key == "cdrw321040x" ? 0 : 1);
            }
            EXPECT_NE(rig.Disc->DiscStatus(), 0);
            EXPECT_NE(rig.Disc->LastSessionState(), 1) << "the session is closed";
        }
    }
    EXPECT_GE(burns, 10u);
}
