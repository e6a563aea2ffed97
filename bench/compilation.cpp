// Times the image-building steps on a generated tree: 20,000 folders and 100,000 small files.
//   bench_compilation [folders] [files] [tree folder to reuse]
// Prints the time of AddFolder, of the layout and of BuildImageHeader.
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/write/VornBurner.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }
// Processor time of the process (user + system): less disturbed by other load on the machine.
double CpuMs() { return 1000.0 * double(std::clock()) / CLOCKS_PER_SEC; }

// top folders at the first level, the rest spread below them; files spread over all.
void Generate(const std::string& root, int folders, int files) {
    const int top = 100;
    std::vector<std::string> dirs;
    for (int i = 0; i < top && int(dirs.size()) < folders; ++i) dirs.push_back(root + "/Top folder " + std::to_string(i));
    for (int i = 0; int(dirs.size()) < folders; ++i)
        dirs.push_back(dirs[size_t(i % top)] + "/sub folder number " + std::to_string(i));
    for (auto& d : dirs) fs::create_directories(d);
    for (int i = 0; i < files; ++i) {
        std::ofstream f(dirs[size_t(i % int(dirs.size()))] + "/file with a long name " + std::to_string(i) + ".dat");
        if (i % 10 == 0) f << "small";
    }
}

} // namespace

int main(int argc, char** argv) {
    const int folders = argc > 1 ? std::atoi(argv[1]) : 20000;
    const int files = argc > 2 ? std::atoi(argv[2]) : 100000;
    std::string root;
    bool made = false;
    if (argc > 3) {
        root = argv[3];
    } else {
        root = (fs::temp_directory_path() / "tarnwick-bench-tree").string();
        fs::remove_all(root);
        made = true;
    }
    if (!fs::exists(root)) {
        fs::create_directories(root);
        auto t0 = Clock::now();
        Generate(root, folders - 1, files); // the compilation counts the root as one of them
        std::printf("generated %d folders, %d files in %.0f ms\n", folders, files, Ms(t0, Clock::now()));
    }

    tarnwick::TVornBurner engine;
    engine.ClearCompilation(600000, 20000);
    engine.SetLastFolderOnly(true);
    double c0 = CpuMs();
    auto t0 = Clock::now();
    bool ok = engine.AddFolder("\\", root, "*.*", 63, true, false, false);
    auto t1 = Clock::now();
    double c1 = CpuMs();
    engine.PrepareCompilation(true, nullptr);
    auto t2 = Clock::now();
    double c2 = CpuMs();
    engine.LayoutCompilation(true, nullptr);
    auto t3 = Clock::now();
    double c3 = CpuMs();
    engine.BuildImageHeader(true, nullptr);
    auto t4 = Clock::now();
    double c4 = CpuMs();

    std::printf("                   wall ms    cpu ms\n");
    std::printf("AddFolder        %9.1f %9.1f  (%s; %d directories, %d entries)\n", Ms(t0, t1), c1 - c0,
                ok ? "ok" : "FAILED", engine.Compilation().DirCount, engine.Compilation().FileCount);
    std::printf("Layout (first)   %9.1f %9.1f\n", Ms(t1, t2), c2 - c1);
    std::printf("Layout (again)   %9.1f %9.1f\n", Ms(t2, t3), c3 - c2);
    std::printf("BuildImageHeader %9.1f %9.1f  (%lld header sectors, image %lld sectors)\n", Ms(t3, t4), c4 - c3,
                static_cast<long long>(engine.Layout().FirstFileSector), static_cast<long long>(engine.Layout().EndLBA));
    if (made) fs::remove_all(root);
    return ok ? 0 : 1;
}
