// The steps the window and the command line share: the copy recipe stops at a step refused
// because the engine's previous job still runs, and leaves that job's compilation alone.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/common/DriveLetters.h"
#include "app/common/JobSteps.h"
#include "engine/device/Messages.h"
#include "engine/write/VornBurner.h"
#include "platform/Threads.h"

namespace tarnwick::app {
namespace {

namespace fs = std::filesystem;

TEST(JobSteps, CompileSourceAddsLaysOutAndStopsAtARefusedStep) {
    platform::SetMainThread();
    const fs::path root = fs::temp_directory_path() / ("tarnwick-jobsteps-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "src" / "sub");
    { std::ofstream(root / "src" / "sub" / "big.bin", std::ios::binary); }
    fs::resize_file(root / "src" / "sub" / "big.bin", 256u << 20);
    { std::ofstream(root / "other.txt") << "other"; }

    TVornBurner engine;
    std::vector<std::string> messages;
    bool ended = false;
    engine.OnDebugMessage = [&](TComponent*, const std::string& m, uint8_t) { messages.push_back(m); };
    engine.OnWriteDone = [&](TComponent*, const std::string&) { ended = true; };

    std::vector<bool> seen;
    auto note = [&](bool added) {
        seen.push_back(added);
        return true;
    };
    ASSERT_EQ(CompileSource(engine, (root / "src").string(), false, note), TCompiled::Ready);
    EXPECT_EQ(seen, std::vector<bool>{true});
    EXPECT_NE(engine.FindDir("\\sub"), nullptr);
    EXPECT_GT(engine.ImageSectors(), 0);

    engine.CreateImageFile((root / "out.iso").string());
    ASSERT_TRUE(engine.JobRunning());
    const uint32_t refusals = engine.Refusals();
    EXPECT_EQ(CompileSource(engine, root.string(), true, note), TCompiled::Refused);
    EXPECT_EQ(engine.Refusals(), refusals + 1);
    EXPECT_EQ(seen.size(), 1u); // stopped at the clear, before the add
    EXPECT_EQ(messages.back(), msg::JobAlreadyRunning);
    EXPECT_NE(engine.FindDir("\\sub"), nullptr); // the running job's compilation is as it was

    const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while ((!ended || engine.JobRunning()) && std::chrono::steady_clock::now() < bound) platform::CheckSynchronize(10);
    ASSERT_FALSE(engine.JobRunning());
    EXPECT_EQ(CompileSource(engine, root.string(), false, [](bool added) { return !added; }), TCompiled::NotAdded);
    fs::remove_all(root);
}

TEST(JobSteps, DriveNamesAndDeviceStrings) {
    EXPECT_EQ(DeviceDriveLetter("0:1:0,E: VIRTUAL DVD-ROM"), 'E');
    EXPECT_EQ(DeviceDriveLetter("0:1:0,"), std::nullopt);
    EXPECT_EQ(DeviceDriveLetter("10:1:0,E: VIRTUAL DVD-ROM"), 'E');
    EXPECT_EQ(DeviceDriveLetter("0:1:0,?: VIRTUAL DVD-ROM"), std::nullopt);
    EXPECT_EQ(ParseDriveName("e:", {}), 'E');
    EXPECT_EQ(ParseDriveName("E", {}), std::nullopt);
    EXPECT_EQ(ParseDriveName("E", {.Bare = true}), 'E');
    EXPECT_EQ(ParseDriveName("E:\\", {}), std::nullopt);
    EXPECT_EQ(ParseDriveName("E:/", {.Separator = true}), 'E');
    EXPECT_EQ(ParseDriveName("1:", {.Bare = true, .Separator = true}), std::nullopt);
    EXPECT_EQ(ParseDriveName("EE", {.Bare = true}), std::nullopt);
}

} // namespace
} // namespace tarnwick::app
