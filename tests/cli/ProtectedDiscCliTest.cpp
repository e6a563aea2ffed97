// An encrypted or region-locked DVD in the source drive: devices, read and image say so, and
// read and image end with exit 1 before any sector or file is read.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/RunTool.h"
#include "support/TempTree.h"

using namespace testsupport;

namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

const char* const kEncrypted = "THE DVD IS ENCRYPTED (CSS): TARNWICK CANNOT COPY ITS PROTECTED SECTORS";
const char* const kRegion = "THE DVD IS REGION-LOCKED TO REGIONS THE DRIVE IS NOT SET TO";

} // namespace

TEST(ProtectedDiscCli, DevicesReadAndImageNameTheProtectionAndCopyNothing) {
    TTempTree t;
    t.Dir("config");
    t.Dir("disc/VIDEO_TS");
    t.File("disc/VIDEO_TS/VIDEO_TS.IFO", std::string(4096, 'i'));
    const std::string env = "TARNWICK_CONFIG_DIR=" + Quote(t.Path("config")) + " ";
    auto cli = [&](const std::string& mask) {
        return env + Quote(CliPath()) + " --virtual " + Quote("E=dvd-rom+css=" + mask + ":" + t.Path("disc")) + " ";
    };
    // Region 2 is the drive's: only encrypted. 2 (bit 1) keeps the disc out of region 2.
    auto devices = RunTool(cli("253") + "devices");
    EXPECT_EQ(devices.Code, 0) << devices.Output;
    EXPECT_TRUE(Has(devices.Output, std::string("Protection    ") + kEncrypted)) << devices.Output;
    auto json = RunTool(cli("253") + "devices --json | jq -r '.drives[0].disc.protection'");
    EXPECT_TRUE(Has(json.Output, kEncrypted)) << json.Output;

    // A disc of sectors (an image), since a drive over a folder has none to read.
    t.File("pressed.iso", std::string(600 * 2048, '\0'));
    auto read = RunTool(env + Quote(CliPath()) + " --virtual " + Quote("E=dvd-rom+css=253:" + t.Path("pressed.iso")) +
                        " read E: " + Quote(t.Path("copy.iso")));
    EXPECT_EQ(read.Code, 1) << read.Output;
    EXPECT_TRUE(Has(read.Output, kEncrypted)) << read.Output;

    auto image = RunTool(cli("2") + "image E: " + Quote(t.Path("out.iso")));
    EXPECT_EQ(image.Code, 1) << image.Output;
    EXPECT_TRUE(Has(image.Output, kRegion)) << image.Output;
    EXPECT_FALSE(std::filesystem::exists(t.Path("out.iso")));

    auto unprotected = RunTool(env + Quote(CliPath()) + " --virtual " + Quote("E=dvd-rom:" + t.Path("disc")) + " devices");
    EXPECT_FALSE(Has(unprotected.Output, "Protection")) << unprotected.Output;
    auto plainJson = RunTool(env + Quote(CliPath()) + " --virtual " + Quote("E=dvd-rom:" + t.Path("disc")) +
                             " devices --json | jq -e '.drives[0].disc.protection == null'");
    EXPECT_EQ(plainJson.Code, 0) << plainJson.Output;
}
