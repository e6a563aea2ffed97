// How fast an emulated recorder takes WRITE(10) commands into its disc: the emulator must not
// be what slows a burn test down. Memory disc and sparse backing file, 64 KB per command.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>

#include "emulator/EmulatedDrive.h"
#include "emulator/Wire.h"

namespace {

using namespace emulator;

void WriteImage(benchmark::State& state, bool toFile) {
    constexpr uint32_t kBlocks = 32;
    constexpr uint32_t kCommands = 1024; // 64 MB a run
    std::vector<uint8_t> data(kBlocks * kSectorSize, 0x5A);
    const std::string path = (std::filesystem::temp_directory_path() / "tarnwick-bench-disc.bin").string();
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(path);
        std::filesystem::remove(path + ".state");
        std::string error;
        auto disc = toFile ? TDisc::OpenBacking(path, TProfile::DvdPlusRw, error) : TDisc::InMemory(TProfile::DvdPlusRw);
        TDriveConfig config;
        config.LogDataLimit = 0;
        TEmulatedDrive drive(config);
        drive.LoadMedium(disc);
        state.ResumeTiming();
        for (uint32_t i = 0; i < kCommands; ++i) {
            platform::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER r{};
            r.spt.CdbLength = 10;
            r.spt.DataIn = platform::SCSI_IOCTL_DATA_OUT;
            r.spt.DataTransferLength = uint32_t(data.size());
            r.spt.DataBuffer = data.data();
            r.spt.SenseInfoLength = 24;
            r.spt.Cdb[0] = 0x2A;
            PutBE32(&r.spt.Cdb[2], i * kBlocks);
            PutBE16(&r.spt.Cdb[7], kBlocks);
            if (!drive.Execute(r) || r.spt.ScsiStatus != 0) state.SkipWithError("write failed");
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kCommands * data.size());
    std::filesystem::remove(path);
    std::filesystem::remove(path + ".state");
}

void BM_WriteToMemoryDisc(benchmark::State& state) { WriteImage(state, false); }
void BM_WriteToBackingFile(benchmark::State& state) { WriteImage(state, true); }

BENCHMARK(BM_WriteToMemoryDisc)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteToBackingFile)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
