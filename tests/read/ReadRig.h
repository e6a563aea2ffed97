#pragma once
// The burn rig with the read side: a 1:1 copy of the emulated disc into an image file, and a
// standalone verify, each waited for like a burn.
#include "tests/burn/BurnRig.h"

#include <cstring>

#include "engine/Bytes.h"

namespace tarnwick::test {

// An image whose sector 16 is an ISO 9660 primary volume descriptor declaring the image's
// size, the rest distinct bytes: what a reader of overwritable media must go by.
inline std::vector<uint8_t> IsoLikeImage(uint32_t sectors, uint32_t seed) {
    auto v = ImageBytes(size_t(sectors) * 2048, seed);
    uint8_t* pvd = v.data() + 16 * 2048;
    std::memset(pvd, 0, 2048);
    pvd[0] = 1;
    std::memcpy(pvd + 1, "CD001", 5);
    pvd[6] = 1;
    PutLE32(pvd + 80, sectors);
    PutBE32(pvd + 84, sectors);
    return v;
}

class TReadRig : public TBurnRig {
public:
    using TBurnRig::TBurnRig;

    std::string WriteImage(const std::vector<uint8_t>& bytes, const std::string& name) {
        Image = bytes;
        std::string path = (Dir / name).string();
        std::ofstream f(path, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path;
    }

    template <typename Start>
    TBurnResult Run(Start start, uint32_t boundMs = 60000) {
        Result = {};
        Result.Started = start();
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
        while (!Result.Ended && std::chrono::steady_clock::now() < until) {
            platform::CheckSynchronize(20);
            if (OnPump) OnPump();
        }
        EXPECT_TRUE(Result.Ended) << "no OnWriteDone within " << boundMs << " ms";
        // The threads are done with the engine before the next job.
        const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (Engine.JobRunning() && std::chrono::steady_clock::now() < bound) platform::CheckSynchronize(10);
        return Result;
    }
    TBurnResult Read(const std::string& out) {
        return Run([&] { return Engine.ReadDiscToImageFile(out); });
    }
    TBurnResult Verify(const std::string& image) {
        return Run([&] { return Engine.VerifyImageFile(image); });
    }

    static std::vector<uint8_t> FileBytes(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
    }
    bool Logged(const std::string& text) {
        for (const auto& m : Log())
            if (m.find(text) != std::string::npos) return true;
        return false;
    }
};

} // namespace tarnwick::test
