#pragma once
// A burn end to end: an image file, the engine, and an emulated recorder with a blank medium
// on the virtual bus, in virtual time. The job runs on the engine's own threads; the test
// thread is the main thread and pumps the synchronize queue until OnWriteDone arrives.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

#include "emulator/EmulatedDrive.h"
#include "engine/JobState.h"
#include "engine/transport/Aspi.h"
#include "engine/write/VornBurner.h"
#include "platform/Clock.h"
#include "platform/Threads.h"

namespace tarnwick::test {

// Bytes that differ from sector to sector, so a misplaced block cannot go unseen.
inline std::vector<uint8_t> ImageBytes(size_t size, uint32_t seed) {
    std::vector<uint8_t> v(size);
    uint32_t x = 2463534242u ^ (seed * 2654435761u);
    for (auto& b : v) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = uint8_t(x);
    }
    return v;
}

struct TBurnResult {
    bool Started = false;
    bool Ended = false;
    std::string Error;
};

class TBurnRig {
public:
    explicit TBurnRig(emulator::TProfile profile, uint32_t capacity = 0, emulator::TDriveConfig config = {})
        : Drive(std::make_shared<emulator::TEmulatedDrive>(std::move(config))) {
        platform::SetClock(&Clock);
        platform::SetMainThread();
        DrvLibState().ImmediateClose = true;
        Dir = std::filesystem::temp_directory_path() / ("tarnwick-burn-" + std::to_string(::getpid()));
        std::filesystem::create_directories(Dir);
        Disc = emulator::TDisc::InMemory(profile, capacity);
        Drive->LoadMedium(Disc);
        platform::RegisterVirtualDrive('R', Drive, platform::SCSI_ADDRESS{8, 0, 0, 1, 0});
        Engine.OnDebugMessage = [this](TComponent*, const std::string& m, uint8_t type) {
            std::lock_guard lock(Mutex);
            Messages.push_back(std::to_string(type) + ":" + m);
        };
        Engine.OnWriteDone = [this](TComponent*, const std::string& error) {
            Result.Ended = true;
            Result.Error = error;
            DoneOnMainThread = platform::IsMainThread();
        };
        Engine.OnFinalizingTrack = [this](TComponent*) {
            ++FinalizingCalls;
            CommandsBeforeFinalizing = Drive->Log().Count();
        };
        EXPECT_TRUE(Engine.InitializeASPI(true, ""));
        for (const auto& d : Engine.DeviceList())
            if (d.find(",R:") != std::string::npos) Engine.SelectDevice(d);
        EXPECT_NE(Engine.HaId, 254) << "the emulated recorder is not selected";
        Drive->Log().Clear();
    }
    ~TBurnRig() {
        platform::ClearVirtualDrives();
        ResetTransportState();
        platform::SetClock(nullptr);
        std::error_code ec;
        std::filesystem::remove_all(Dir, ec);
    }

    // With a volume descriptor's signature at sector 16 when the image reaches it, as an ISO
    // image has; RawImage leaves the bytes as they come.
    std::string MakeImage(size_t bytes, uint32_t seed = 1) {
        Image = ImageBytes(bytes, seed);
        if (bytes >= 17 * 2048) {
            const char id[] = "\x01" "CD001";
            std::copy(id, id + 6, Image.begin() + 16 * 2048);
        }
        return WriteImage(seed);
    }
    std::string RawImage(size_t bytes, uint32_t seed = 1) {
        Image = ImageBytes(bytes, seed);
        return WriteImage(seed);
    }
    std::string WriteImage(uint32_t seed) {
        std::string path = (Dir / ("image-" + std::to_string(seed) + ".iso")).string();
        std::ofstream f(path, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(Image.data()), std::streamsize(Image.size()));
        return path;
    }

    // Runs BurnImageFile and waits (real time, bounded) for the job's end.
    TBurnResult Burn(const std::string& path, uint32_t boundMs = 60000) {
        Result = {};
        Result.Started = Engine.BurnImageFile(path);
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
        while (!Result.Ended && std::chrono::steady_clock::now() < until) {
            platform::CheckSynchronize(20);
            if (OnPump) OnPump();
        }
        EXPECT_TRUE(Result.Ended) << "no OnWriteDone within " << boundMs << " ms";
        if (Result.Ended) {
            EXPECT_TRUE(DoneOnMainThread);
        }
        return Result;
    }

    // The disc's first sectors as the drive would read them.
    std::vector<uint8_t> DiscBytes(size_t bytes) const {
        std::vector<uint8_t> out(bytes);
        const uint32_t sectors = uint32_t(bytes / 2048);
        EXPECT_FALSE(Disc->Read(0, sectors, out.data()).has_value());
        return out;
    }

    std::vector<emulator::TCommandRecord> Commands() const { return Drive->Log().Records(); }
    std::vector<emulator::TCommandRecord> CommandsWith(uint8_t opcode) const {
        std::vector<emulator::TCommandRecord> out;
        for (auto& r : Commands())
            if (r.Opcode() == opcode) out.push_back(r);
        return out;
    }
    std::vector<std::string> Log() {
        std::lock_guard lock(Mutex);
        return Messages;
    }

    platform::TVirtualClock Clock;
    std::filesystem::path Dir;
    std::shared_ptr<emulator::TEmulatedDrive> Drive;
    std::shared_ptr<emulator::TDisc> Disc;
    TVornBurner Engine;
    std::vector<uint8_t> Image;
    TBurnResult Result;
    std::atomic<bool> DoneOnMainThread{false};
    std::atomic<int> FinalizingCalls{0};
    std::atomic<size_t> CommandsBeforeFinalizing{0};
    std::function<void()> OnPump;

private:
    std::mutex Mutex;
    std::vector<std::string> Messages;
};

} // namespace tarnwick::test
