// Burn throughput of the whole pipeline (cache thread, write thread, recording sequence,
// command execution, pass-through) onto an emulated DVD-R that takes data at once.
// The target is 1 GB/s: far above a real 16x drive (22 MB/s), so the pipeline never limits one.
//
//   bench_BurnThroughput [GiB=1] [drop|store] [folder=/dev/shm or the temp folder]
//
// The image is a sparse file (reads cost no disk). "drop" (the default) burns onto a disc that
// keeps its layout but not the bytes, so the figure is the engine's; "store" keeps them in a
// backing file in the same folder, adding the emulator's storage. The drive's readiness waits are device-level sleeps: they run on the virtual clock,
// so the figure is the data path alone.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "emulator/EmulatedDrive.h"
#include "engine/transport/Aspi.h"
#include "engine/write/VornBurner.h"
#include "platform/Clock.h"
#include "platform/Threads.h"

namespace fs = std::filesystem;
using namespace tarnwick;

int main(int argc, char** argv) {
    const double gib = argc > 1 ? std::atof(argv[1]) : 1.0;
    const bool storeData = argc > 2 && std::string(argv[2]) == "store";
    std::string folder = argc > 3 ? argv[3] : "";
    std::error_code ec;
    if (folder.empty()) folder = fs::is_directory("/dev/shm", ec) ? "/dev/shm" : fs::temp_directory_path().string();
    const uint64_t bytes = uint64_t(gib * 1024 * 1024 * 1024) / 2048 * 2048;
    const std::string image = folder + "/tarnwick-bench-burn.iso";
    const std::string backing = folder + "/tarnwick-bench-disc.bin";
    fs::remove(backing, ec);
    fs::remove(backing + ".state", ec);
    {
        std::ofstream f(image, std::ios::binary | std::ios::trunc);
    }
    fs::resize_file(image, bytes);

    platform::SetMainThread();
    platform::TVirtualClock clock;
    platform::SetClock(&clock);
    emulator::TDriveConfig config;
    config.LogDataLimit = 0; // the log keeps no data bytes
    auto drive = std::make_shared<emulator::TEmulatedDrive>(config);
    // Stored on the backing file (the recorder's storage is then part of the figure), or
    // dropped (the pipeline alone).
    std::string error;
    auto disc = storeData ? emulator::TDisc::OpenBacking(backing, emulator::TProfile::DvdR, error)
                          : emulator::TDisc::Discarding(emulator::TProfile::DvdR);
    if (!disc) {
        std::fprintf(stderr, "disc: %s\n", error.c_str());
        return 1;
    }
    drive->LoadMedium(disc);
    platform::RegisterVirtualDrive('R', drive, platform::SCSI_ADDRESS{8, 1, 0, 0, 0});

    int rc = 0;
    {
        TVornBurner engine;
        std::atomic<bool> ended{false};
        std::string result;
        engine.OnWriteDone = [&](TComponent*, const std::string& e) {
            result = e;
            ended = true;
        };
        if (!engine.InitializeASPI(true, "") || engine.DeviceList().empty()) {
            std::fprintf(stderr, "no emulated drive\n");
            return 1;
        }
        engine.SelectDevice(engine.DeviceList().front());
        drive->Log().Clear();

        const auto t0 = std::chrono::steady_clock::now();
        if (engine.BurnImageFile(image))
            while (!ended) platform::CheckSynchronize(1);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (!result.empty()) {
            std::fprintf(stderr, "burn failed: %s\n", result.c_str());
            rc = 1;
        }
        size_t writes = 0;
        for (auto& r : drive->Log().Records()) writes += r.Opcode() == 0x2A;
        std::printf("%s: burned %.2f GiB onto an emulated DVD-R in %.3f s: %.0f MB/s (%.2f GB/s), %zu WRITE(10)\n",
                    storeData ? "stored" : "dropped", double(bytes) / (1024.0 * 1024 * 1024), seconds, double(bytes) / seconds / 1e6,
                    double(bytes) / seconds / 1e9, writes);
        std::printf("target: at least 1 GB/s; a 16x DVD drive takes 22.2 MB/s\n");
    }
    platform::ClearVirtualDrives();
    ResetTransportState();
    platform::SetClock(nullptr);
    fs::remove(image, ec);
    fs::remove(backing, ec);
    fs::remove(backing + ".state", ec);
    return rc;
}
