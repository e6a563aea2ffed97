// Read throughput of the whole 1:1 read pipeline (disc measurement, drive source in the cache
// thread, READ(12) through command execution and the pass-through, write thread, image-file
// target) from an emulated pressed DVD-ROM. The target is 1 GB/s: far above a real 16x drive
// (22 MB/s), so the engine never limits one.
//
//   bench_ReadThroughput [GB=4.7] [drop|store] [folder=/dev/shm or the temp folder]
//
// The disc's sectors are a sparse file (reads cost no disk). "drop" (the default) writes the
// image to /dev/null, so the figure is the engine's; "store" writes a real image file in the
// same folder (and checks its size), adding the file system. Also prints the process's peak
// resident memory, which must not grow with the disc's size.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/resource.h>

#include "emulator/EmulatedDrive.h"
#include "engine/transport/Aspi.h"
#include "engine/write/VornBurner.h"
#include "platform/Clock.h"
#include "platform/Threads.h"

namespace fs = std::filesystem;
using namespace tarnwick;

namespace {

double PeakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

} // namespace

int main(int argc, char** argv) {
    const double gb = argc > 1 ? std::atof(argv[1]) : 4.7;
    const bool store = argc > 2 && std::string(argv[2]) == "store";
    std::string folder = argc > 3 ? argv[3] : "";
    std::error_code ec;
    if (folder.empty()) folder = fs::is_directory("/dev/shm", ec) ? "/dev/shm" : fs::temp_directory_path().string();
    const uint64_t bytes = uint64_t(gb * 1e9) / 2048 * 2048;
    const std::string discFile = folder + "/tarnwick-bench-pressed.iso";
    const std::string output = store ? folder + "/tarnwick-bench-read.iso" : "/dev/null";
    {
        std::ofstream f(discFile, std::ios::binary | std::ios::trunc);
    }
    fs::resize_file(discFile, bytes);

    platform::SetMainThread();
    platform::TVirtualClock clock;
    platform::SetClock(&clock);
    emulator::TDriveConfig config;
    config.LogDataLimit = 0; // the log keeps no data bytes
    auto drive = std::make_shared<emulator::TEmulatedDrive>(config);
    std::string error;
    auto disc = emulator::TDisc::PressedFromImage(discFile, emulator::TProfile::DvdRom, error);
    if (!disc) {
        std::fprintf(stderr, "disc: %s\n", error.c_str());
        return 1;
    }
    drive->LoadMedium(disc);
    platform::RegisterVirtualDrive('E', drive, platform::SCSI_ADDRESS{8, 1, 0, 0, 0});

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
        const double before = PeakMiB();

        const auto t0 = std::chrono::steady_clock::now();
        if (engine.ReadDiscToImageFile(output))
            while (!ended) platform::CheckSynchronize(1);
        else
            ended = true;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (!result.empty()) {
            std::fprintf(stderr, "read failed: %s\n", result.c_str());
            rc = 1;
        }
        if (store && fs::file_size(output, ec) != bytes) {
            std::fprintf(stderr, "the image has %llu bytes, the disc %llu\n",
                         (unsigned long long)fs::file_size(output, ec), (unsigned long long)bytes);
            rc = 1;
        }
        size_t reads = 0;
        for (auto& r : drive->Log().Records()) reads += r.Opcode() == 0x28 || r.Opcode() == 0xA8;
        std::printf("%s: read %.2f GB (%llu sectors) from an emulated DVD-ROM in %.3f s: %.0f MB/s (%.2f GB/s), "
                    "%zu READ commands\n",
                    store ? "stored" : "dropped", double(bytes) / 1e9, (unsigned long long)(bytes / 2048), seconds,
                    double(bytes) / seconds / 1e6, double(bytes) / seconds / 1e9, reads);
        std::printf("peak memory: %.1f MiB (%.1f MiB before the job)\n", PeakMiB(), before);
        std::printf("target: at least 1 GB/s; a 16x DVD drive reads 22.2 MB/s\n");
    }
    platform::ClearVirtualDrives();
    ResetTransportState();
    platform::SetClock(nullptr);
    fs::remove(discFile, ec);
    if (store) fs::remove(output, ec);
    return rc;
}
