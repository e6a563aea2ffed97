// Device strings, identity text and the model adjustments.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "engine/device/DeviceEntry.h"
#include "engine/device/Identity.h"

using namespace tarnwick;

namespace {
std::array<uint8_t, 131> Inquiry(uint8_t type, const char* vendor8, const char* product16, const char* rev4) {
    std::array<uint8_t, 131> q{};
    q[0] = type;
    std::memcpy(&q[8], vendor8, 8);
    std::memcpy(&q[16], product16, 16);
    std::memcpy(&q[32], rev4, 4);
    return q;
}
} // namespace

TEST(Identity, DeviceStringFormat) {
    auto q = Inquiry(0x05, "ACME    ", "DVD RECORDER 16X", "1.00");
    const std::string s = ident::DeviceString(1, 0, 0, 'E', q.data());
    EXPECT_EQ(s, "1:0:0,E: ACME    DVD RECORDER 16X1.00");
    EXPECT_EQ(s[6], 'E'); // the window reads the source drive from here
    EXPECT_EQ(ident::DeviceString(12, 7, 3, 0, q.data()), "12:7:3,?: ACME    DVD RECORDER 16X1.00");
    q[0] = 0x04;
    EXPECT_EQ(ident::DeviceString(0, 1, 0, 'D', q.data()), "0:1:0,D: ACME    DVD RECORDER 16X1.00 (not supported)");
    // Zero padding shows as spaces, never as embedded NULs.
    auto z = Inquiry(0x05, "AB\0\0\0\0\0\0", "X\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", "1\0\0\0");
    EXPECT_EQ(ident::DeviceString(0, 0, 0, 'F', z.data()), "0:0:0,F: AB      X               1   ");
}

TEST(Identity, IdentityTextIs30Characters) {
    auto q = Inquiry(0x05, "ACME\x01\x02  ", "DVD RECORDER 16X", "1.0\0");
    q[40] = 0x1F;
    q[55] = 0;
    q[56] = 0;
    ident::SanitizeIdentity(q.data());
    EXPECT_EQ(q[40], 0x20);
    EXPECT_EQ(q[55], 0x20);
    EXPECT_EQ(q[56], 0) << "bytes past 55 are left alone";
    const std::string t = ident::IdentityText(q.data());
    EXPECT_EQ(t, "ACME     DVD RECORDER 16X 1.0 ");
    EXPECT_EQ(t.size(), 30u);
}

TEST(Identity, ModelFlags) {
    auto flags = [](const char* vendor, const char* product) {
        auto q = Inquiry(0x05, vendor, product, "1.00");
        return ident::ModelFlagsFor(q.data());
    };
    auto f = flags("SANYO   ", "CD-W512EB       ");
    EXPECT_TRUE(f.ForceBUF);
    EXPECT_FALSE(f.ForceLSV);
    EXPECT_TRUE(f.ImmediateClose);
    EXPECT_TRUE(flags("YAMAHA  ", "CRX175E         ").ForceLSV);
    EXPECT_TRUE(flags("SONY    ", "CD-RW  CRX800E  ").ForceLSV);
    EXPECT_FALSE(flags("SONY    ", "CD-RW CRX800E   ").ForceLSV); // one space is another model
    EXPECT_TRUE(flags("PIONEER ", "DVD-RW  DVR-103 ").ExtraReadyWait);
    EXPECT_TRUE(flags("PIONEER ", "DVD-RW  DVR-104 ").ExtraReadyWait);
    // Compared with its padding: a trailing character other than a space is another model.
    EXPECT_FALSE(flags("PIONEER ", "DVD-RW  DVR-104X").ExtraReadyWait);
    EXPECT_TRUE(flags("MATSHITA", "UJDA740 DVD/CDRW").ExtraReadyWaitVendor);
    EXPECT_TRUE(flags("TDK     ", "CDRW121032      ").ExtraReadyWaitVendor);
    EXPECT_FALSE(flags("TD      ", "CDRW121032      ").ExtraReadyWaitVendor);
    EXPECT_FALSE(flags("LITE-ON ", "CDRW321040X     ").ImmediateClose);

    auto blank = flags("VENDOR  ", "                ");
    EXPECT_FALSE(blank.ForceBUF);
    EXPECT_FALSE(blank.ForceLSV);
    EXPECT_FALSE(blank.ExtraReadyWait);
    EXPECT_FALSE(blank.ExtraReadyWaitVendor);
    EXPECT_TRUE(blank.ImmediateClose);
}

// The one parser reads back what the scan lists, also past host number 9, where the letter no
// longer sits at a fixed column.
TEST(DeviceEntry, ParsesWhatTheScanListsAtAnyAddress) {
    const auto q = Inquiry(5, "TARNWICK", "VIRTUAL DVD-R   ", "1.00");
    for (const auto& [ha, letter] : {std::pair<uint8_t, char>{0, 'E'}, {12, 'R'}, {255, 0}}) {
        const std::string listed = ident::DeviceString(ha, 1, 0, letter, q.data());
        const auto e = ParseDeviceString(listed);
        ASSERT_TRUE(e) << listed;
        EXPECT_EQ(e->Address, (TDeviceAddress{ha, 1, 0}));
        EXPECT_EQ(e->Letter, letter);
        EXPECT_EQ(e->Identity, "TARNWICKVIRTUAL DVD-R   1.00");
        EXPECT_EQ(FormatDeviceString(*e), listed);
    }
    const auto worm = ident::DeviceString(1, 0, 0, 'F', Inquiry(4, "OLDWORM ", "WRITE ONCE      ", "0001").data());
    ASSERT_TRUE(ParseDeviceString(worm));
    EXPECT_TRUE(ParseDeviceString(worm)->NotSupported);
    EXPECT_EQ(FormatDeviceString(*ParseDeviceString(worm)), worm);
}

TEST(DeviceEntry, RefusesWhatIsNoAddress) {
    for (const char* s : {"", "E:", "0:1", "256:0:0,E:", "0:x:0,E:", "a:1:0"}) EXPECT_FALSE(ParseDeviceString(s)) << s;
    // The selection always took the address alone.
    ASSERT_TRUE(ParseDeviceString("0:1:0"));
    EXPECT_EQ(ParseDeviceString("0:1:0")->Letter, 0);
}
