// Image-file jobs through the engine's entries with a hand-made header and file table: the
// file written, the job end on the main thread, and the failures a job must not hide.
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#endif
#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <fstream>
#include <thread>

#include "WriteTestSupport.h"
#include "engine/JobState.h"
#include "engine/device/Messages.h"
#include "engine/write/VornBurner.h"
#include "engine/write/WriteThread.h"
#include "platform/FileFaults.h"
#include "platform/Threads.h"
#include "platform/Time.h"

using namespace tarnwick;
using namespace tarnwick::test;

namespace {

#ifndef _WIN32
// Waits for a forked child of this test, for at most the bound; a child still running then is
// ended (it is ours) and the wait fails.
bool WaitChild(pid_t pid, int& status, std::chrono::seconds bound = std::chrono::seconds(120)) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}
#endif

struct TJobEnd {
    bool Ended = false;
    std::string Error;
    bool OnMainThread = false;
    int Calls = 0;
};

// An engine whose compilation is set up by hand: a header of HeaderSectors sectors and the
// files given, so the job needs neither the layout nor the encoder.
class TImageJob {
public:
    explicit TImageJob(int32_t headerSectors = 16) : HeaderBytes(Pattern(size_t(headerSectors) * 2048, 9)) {
        platform::SetMainThread();
        Engine.OnWriteDone = [this](TComponent* sender, const std::string& error) {
            Result.Ended = true;
            Result.Error = error;
            Result.OnMainThread = platform::IsMainThread();
            ++Result.Calls;
            EXPECT_EQ(sender, &Engine);
        };
        Engine.OnDebugMessage = [this](TComponent*, const std::string& m, uint8_t) {
            std::lock_guard lock(MessagesMutex);
            Messages.push_back(m);
        };
        Expected = HeaderBytes;
    }
    void AddFile(const std::string& path, int64_t listedSize, const std::vector<uint8_t>* data = nullptr) {
        Files.Add(path, listedSize);
        if (data) {
            Expected.insert(Expected.end(), data->begin(), data->end());
            Expected.resize(size_t(Sectors(int64_t(Expected.size())) * 2048), 0);
        }
        ListedSectors += Sectors(listedSize);
    }
    // Starts the job as CreateImageFile does after its layout.
    void Start(const std::string& isoFile) {
        Engine.Image().HeaderStream.Clear();
        Engine.Image().HeaderStream.Write(HeaderBytes.data(), HeaderBytes.size());
        Engine.Compilation().FileTable = Files.HandOver();
        Engine.Compilation().FileCount = Files.Count();
        Engine.Job().ImageSectors = int64_t(HeaderBytes.size() / 2048) + ListedSectors;
        Engine.SetISOFileName(isoFile);
        Engine.Job().ClearAborts();
        if (Engine.StartCache(65536, "")) Engine.StartWriteThread(true);
    }
    bool WaitEnd(std::chrono::milliseconds bound = std::chrono::seconds(60)) {
        const auto deadline = std::chrono::steady_clock::now() + bound;
        while (!Result.Ended && std::chrono::steady_clock::now() < deadline) platform::CheckSynchronize(10);
        return Result.Ended;
    }

    TVornBurner Engine;
    TJobEnd Result;
    TFileList Files;
    std::vector<uint8_t> HeaderBytes, Expected;
    int64_t ListedSectors = 0;
    bool Logged(const std::string& part) {
        std::lock_guard lock(MessagesMutex);
        return std::any_of(Messages.begin(), Messages.end(),
                           [&](const std::string& m) { return m.find(part) != std::string::npos; });
    }
    std::mutex MessagesMutex;
    std::vector<std::string> Messages;
};

void MakeSparse(const std::string& path, int64_t size) {
    { std::ofstream f(path, std::ios::binary); }
    std::filesystem::resize_file(path, uintmax_t(size));
}

} // namespace

TEST(ImageJob, WritesExactlyTheCacheStreamAndReportsSuccessOnTheMainThread) {
    TScratch s;
    TImageJob job(40);
    job.Engine.SetWritePostGap(false);
    std::vector<std::vector<uint8_t>> data;
    for (size_t size : {size_t(1), size_t(70000), size_t(2048 * 33), size_t(123457)}) {
        data.push_back(Pattern(size, uint8_t(size)));
        const std::string p = s.Path("f" + std::to_string(size));
        WriteFile(p, data.back());
        job.AddFile(p, int64_t(size), &data.back());
    }
    job.Start(s.Path("out.iso"));
    ASSERT_TRUE(job.WaitEnd());
    EXPECT_EQ(job.Result.Error, "");
    EXPECT_TRUE(job.Result.OnMainThread);
    EXPECT_EQ(job.Result.Calls, 1);
    EXPECT_TRUE(ReadFile(s.Path("out.iso")) == job.Expected);
    EXPECT_EQ(job.Engine.BytesWritten(), int64_t(job.Expected.size()));
    // The write thread clears the current file after the job end has been delivered.
    EXPECT_TRUE(WaitUntil([&] { return !job.Engine.JobRunning(); }, std::chrono::seconds(5)));
    EXPECT_EQ(job.Engine.CurrentFile(), "");
}

TEST(ImageJob, SmallCompilationIsPaddedTo300SectorsAndBytesWrittenStopsAtTheTrack) {
    TScratch s;
    TImageJob job(10);
    job.Engine.SetWritePostGap(true);
    job.Start(s.Path("small.iso"));
    ASSERT_TRUE(job.WaitEnd());
    EXPECT_EQ(job.Result.Error, "");
    auto image = ReadFile(s.Path("small.iso"));
    ASSERT_EQ(image.size(), size_t(300 * 2048));
    EXPECT_TRUE(std::equal(job.HeaderBytes.begin(), job.HeaderBytes.end(), image.begin()));
    EXPECT_EQ(job.Engine.GetTrackSectors(), 300);
    EXPECT_EQ(job.Engine.BytesWritten(), 300 * 2048);

    // One block exactly: 32 sectors, no padding.
    TImageJob one(32);
    one.Engine.SetWritePostGap(false);
    one.Start(s.Path("one.iso"));
    ASSERT_TRUE(one.WaitEnd());
    EXPECT_EQ(one.Result.Error, "");
    EXPECT_EQ(ReadFile(s.Path("one.iso")).size(), size_t(65536));
}

TEST(ImageJob, ImageInAMissingFolderEndsAtOnceWithCantCreate) {
    TScratch s;
    TImageJob job;
    const std::string iso = s.Path("no/such/folder/x.iso");
    job.Start(iso);
    ASSERT_TRUE(job.WaitEnd(std::chrono::seconds(10)));
    // The reason is the system's own text: strerror's on Linux, the system message on Windows.
    const std::string prefix = msg::Format(msg::CantCreateFile, iso) + ": ";
    ASSERT_EQ(job.Result.Error.rfind(prefix, 0), 0u) << job.Result.Error;
#ifdef _WIN32
    EXPECT_GT(job.Result.Error.size(), prefix.size()) << job.Result.Error;
#else
    EXPECT_EQ(job.Result.Error, prefix + std::strerror(ENOENT));
#endif
    EXPECT_TRUE(job.Result.OnMainThread);
}

TEST(ImageJob, FullDeviceEndsWithCantWriteInsteadOfSuccess) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    TImageJob job(64);
    job.Start("/dev/full");
    ASSERT_TRUE(job.WaitEnd(std::chrono::seconds(10)));
    EXPECT_EQ(job.Result.Error, msg::Format(msg::CantWriteFile, "/dev/full") + ": " + std::strerror(ENOSPC));
}

#ifndef _WIN32 // a process-wide file-size limit in a forked child
TEST(ImageJob, FileSizeLimitEndsWithCantWrite) {
    // In a child: the limit and the ignored signal are process-wide.
    TScratch s;
    const std::string iso = s.Path("limited.iso");
    const std::vector<uint8_t> previous = Pattern(4096, 3);
    WriteFile(iso, previous); // the image an earlier job made under that name
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit lim{1 << 20, 1 << 20};
        setrlimit(RLIMIT_FSIZE, &lim);
        int code;
        {
            TImageJob job(1000); // 2 MB of header against a 1 MB limit
            job.Start(iso);
            code = !job.WaitEnd(std::chrono::seconds(20)) ? 3
                   : job.Result.Error == msg::Format(msg::CantWriteFile, iso) + ": " + std::strerror(EFBIG) ? 0 : 4;
        } // the engine ends its threads before the child exits
        _exit(code);
    }
    int status = 0;
    ASSERT_TRUE(WaitChild(pid, status)) << "the child did not end in time";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // What fitted stays, under a name that says the image is not whole; none of the output's.
    EXPECT_EQ(std::filesystem::file_size(iso + ".incomplete"), uintmax_t(1 << 20));
    EXPECT_EQ(ReadFile(iso), previous);
}
#endif

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TARNWICK_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define TARNWICK_SANITIZED 1
#endif
#endif

#ifndef _WIN32 // a process-wide address-space limit in a forked child
TEST(ImageJob, ACacheTheMachineCannotGiveIsBoundedWithAMessage) {
#ifdef TARNWICK_SANITIZED
    GTEST_SKIP() << "an address-space limit and a sanitizer's shadow memory do not mix";
#else
    TScratch s;
    const std::string source = s.Path("large.bin");
    { std::ofstream(source, std::ios::binary); }
    constexpr int64_t kSourceBytes = int64_t(160) << 20; // twice what the child may allocate
    std::filesystem::resize_file(source, uintmax_t(kSourceBytes)); // sparse: reads as zeros, fast
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // The address space the child has now, and 80 MB more: far less than the cache asks.
        long pages = 0;
        if (FILE* f = fopen("/proc/self/statm", "r")) {
            if (fscanf(f, "%ld", &pages) != 1) pages = 0;
            fclose(f);
        }
        if (pages <= 0) _exit(5);
        const rlim_t bytes = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(80) << 20);
        rlimit lim{bytes, bytes};
        setrlimit(RLIMIT_AS, &lim);
        int code;
        {
            TImageJob job;
            job.Engine.SetCacheSize(2147483647);
            job.AddFile(source, kSourceBytes);
            job.Start("/dev/null");
            bool told = false;
            if (job.WaitEnd(std::chrono::seconds(60))) {
                std::lock_guard lock(job.MessagesMutex);
                for (const auto& m : job.Messages)
                    told |= m.rfind(">>> CACHE LIMITED TO ", 0) == 0 && m.find("FOR 2147481600") != std::string::npos;
            }
            code = !job.Result.Ended ? 3 : job.Result.Error != "" ? 4 : !told ? 6 : 0;
        }
        _exit(code);
    }
    int status = 0;
    ASSERT_TRUE(WaitChild(pid, status)) << "the child did not end in time";
    ASSERT_TRUE(WIFEXITED(status)) << "the child was killed by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
#endif
}
#endif

#ifndef _WIN32
TEST(ImageJob, AJobTheMachineGivesNoThreadForEndsWithItsReason) {
#ifdef TARNWICK_SANITIZED
    GTEST_SKIP() << "an address-space limit and a sanitizer's shadow memory do not mix";
#else
    TScratch s;
    const std::string iso = s.Path("out.iso");
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        int code;
        {
            TImageJob job;
            auto data = Pattern(100000, 3);
            WriteFile(s.Path("a"), data);
            job.AddFile(s.Path("a"), 100000, &data);
            // Room for small allocations, none for a thread's stack.
            long pages = 0;
            if (FILE* f = fopen("/proc/self/statm", "r")) {
                if (fscanf(f, "%ld", &pages) != 1) pages = 0;
                fclose(f);
            }
            if (pages <= 0) _exit(5);
            const rlim_t bytes = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(2) << 20);
            rlimit lim{bytes, bytes};
            setrlimit(RLIMIT_AS, &lim);
            // Stacks of threads that ended earlier in this process are kept for reuse: park
            // threads on them until none is left.
            std::atomic<bool> release{false};
            std::vector<std::thread> parked;
            for (int i = 0; i < 64; ++i) {
                try {
                    parked.emplace_back([&release] {
                        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    });
                } catch (const std::exception&) {
                    break;
                }
            }
            job.Start(iso);
            code = !job.WaitEnd(std::chrono::seconds(20)) ? 3
                   : job.Result.Error == msg::NoJobThread && !job.Engine.JobRunning() ? 0 : 4;
            release = true;
            for (auto& t : parked) t.join();
        }
        _exit(code);
    }
    int status = 0;
    ASSERT_TRUE(WaitChild(pid, status)) << "the child did not end in time";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(std::filesystem::exists(iso));
#endif
}
#endif

TEST(ImageJob, SourceRemovedOrShrunkAfterTheLayoutEndsTheJobNamingIt) {
    TScratch s;
    {
        TImageJob job;
        auto data = Pattern(300000, 1);
        WriteFile(s.Path("a"), data);
        job.AddFile(s.Path("a"), 300000, &data);
        job.AddFile(s.Path("gone"), 5000);
        job.Start(s.Path("x.iso"));
        ASSERT_TRUE(job.WaitEnd());
        EXPECT_EQ(job.Result.Error, msg::Format(msg::SourceFileGone, s.Path("gone")));
    }
    {
        TImageJob job;
        WriteFile(s.Path("shrunk"), Pattern(100, 2));
        job.AddFile(s.Path("shrunk"), 4096);
        job.Start(s.Path("y.iso"));
        ASSERT_TRUE(job.WaitEnd());
        EXPECT_EQ(job.Result.Error, msg::Format(msg::SourceFileShrank, s.Path("shrunk")));
    }
}

TEST(ImageJob, AbortEndsTheJobWithTheAbortTextAndLeavesTheFileClosed) {
    TScratch s;
    const std::vector<uint8_t> previous = Pattern(6144, 9);
    WriteFile(s.Path("abort.iso"), previous); // an image of that name from an earlier job
    TImageJob job;
    MakeSparse(s.Path("big"), 3LL << 30);
    job.AddFile(s.Path("big"), 3LL << 30);
    job.Start(s.Path("abort.iso"));
    ASSERT_TRUE(WaitUntil([&] { return job.Engine.BytesWritten() > (8 << 20); }, std::chrono::seconds(30)));
    job.Engine.AbortWrite();
    ASSERT_TRUE(job.WaitEnd(std::chrono::seconds(10)));
    EXPECT_EQ(job.Result.Error, msg::OperationAborted);
#ifdef _WIN32
    // Closed: the image was created without sharing, so only a closed file can be opened.
    const platform::TFileHandle h = platform::FileOpen(s.Path("abort.iso.incomplete"), 0x12);
    EXPECT_NE(h, platform::kInvalidFileHandle);
    platform::FileClose(h);
#else
    // Closed: no descriptor of this process refers to it any more.
    for (auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        EXPECT_NE(std::filesystem::read_symlink(fd.path(), ec).string(), s.Path("abort.iso.incomplete"));
    }
#endif
    const auto size = std::filesystem::file_size(s.Path("abort.iso.incomplete"));
    EXPECT_GT(size, 0u);
    EXPECT_LT(size, uintmax_t(3LL << 30));
    EXPECT_EQ(size % 2048, 0u);
    // The earlier image is untouched, and the log names the partial file.
    EXPECT_EQ(ReadFile(s.Path("abort.iso")), previous);
    EXPECT_TRUE(job.Logged("PARTIAL FILE KEPT AS: \"" + s.Path("abort.iso.incomplete") + "\""));
}

TEST(ImageJob, DestroyingTheEngineDuringAJobAbortsItAndWaitsForItsThreads) {
    TScratch s;
    platform::SetMainThread();
    auto engine = std::make_unique<TVornBurner>();
    std::atomic<int> doneCalls{0};
    engine->OnWriteDone = [&](TComponent*, const std::string&) { ++doneCalls; };
    MakeSparse(s.Path("big"), 3LL << 30);
    TFileList files;
    files.Add(s.Path("big"), 3LL << 30);
    engine->Compilation().FileTable = files.HandOver();
    engine->Compilation().FileCount = files.Count();
    engine->Job().ImageSectors = (3LL << 30) / 2048;
    engine->SetISOFileName(s.Path("destroy.iso"));
    ASSERT_TRUE(engine->StartCache(65536, ""));
    engine->StartWriteThread(true);
    ASSERT_TRUE(WaitUntil([&] { return engine->BytesWritten() > (4 << 20); }, std::chrono::seconds(30)));
    std::weak_ptr<TCacheThread> cache = engine->Job().CurrentCache;
    std::weak_ptr<TThWrite> writer = engine->Job().CurrentWriter;
    engine.reset();
    // The threads are gone with the engine; its owner is not called back while it goes.
    EXPECT_TRUE(cache.expired());
    EXPECT_TRUE(writer.expired());
    EXPECT_EQ(doneCalls, 0);
}
TEST(ImageJob, ASecondJobWhileOneRunsIsRefusedAndTheFirstCompletes) {
    TScratch s;
    TImageJob job;
    MakeSparse(s.Path("big"), 256LL << 20);
    job.AddFile(s.Path("big"), 256LL << 20);
    job.Start(s.Path("first.iso"));
    EXPECT_TRUE(job.Engine.JobRunning());
    EXPECT_EQ(job.Engine.CreateImageFile(s.Path("second.iso")), -1);
    {
        std::lock_guard lock(job.MessagesMutex);
        ASSERT_FALSE(job.Messages.empty());
        EXPECT_EQ(job.Messages.back(), msg::JobAlreadyRunning);
    }
    ASSERT_TRUE(job.WaitEnd());
    EXPECT_EQ(job.Result.Error, "");
    EXPECT_EQ(job.Result.Calls, 1);
    EXPECT_FALSE(std::filesystem::exists(s.Path("second.iso")));
    EXPECT_EQ(std::filesystem::file_size(s.Path("first.iso")), uintmax_t((16 + 131072) * 2048LL));
}


// Each engine owns its job: two engines in one process run an image job each at the same
// time, an abort of one leaves the other alone, and both report their own end.
TEST(ImageJob, TwoEnginesRunTheirJobsAtOnceWithoutTouchingEachOther) {
    TScratch s;
    TImageJob first, second;
    MakeSparse(s.Path("a"), 64LL << 20);
    MakeSparse(s.Path("b"), 96LL << 20);
    first.AddFile(s.Path("a"), 64LL << 20);
    second.AddFile(s.Path("b"), 96LL << 20);
    first.Start(s.Path("first.iso"));
    second.Start(s.Path("second.iso"));
    EXPECT_TRUE(first.Engine.JobRunning());
    EXPECT_TRUE(second.Engine.JobRunning());
    EXPECT_NE(first.Engine.Job().CurrentWriter, second.Engine.Job().CurrentWriter);
    ASSERT_TRUE(first.WaitEnd());
    ASSERT_TRUE(second.WaitEnd());
    EXPECT_EQ(first.Result.Error, "");
    EXPECT_EQ(second.Result.Error, "");
    EXPECT_EQ(first.Result.Calls, 1);
    EXPECT_EQ(second.Result.Calls, 1);
    EXPECT_EQ(std::filesystem::file_size(s.Path("first.iso")), uintmax_t((16 + 32768) * 2048LL));
    EXPECT_EQ(std::filesystem::file_size(s.Path("second.iso")), uintmax_t((16 + 49152) * 2048LL));

    // An abort is the aborted engine's alone.
    TImageJob third, fourth;
    MakeSparse(s.Path("c"), 2LL << 30);
    third.AddFile(s.Path("c"), 2LL << 30);
    fourth.AddFile(s.Path("b"), 96LL << 20);
    third.Start(s.Path("third.iso"));
    fourth.Start(s.Path("fourth.iso"));
    third.Engine.AbortWrite();
    EXPECT_FALSE(fourth.Engine.Job().AbortFlag.load());
    ASSERT_TRUE(third.WaitEnd());
    ASSERT_TRUE(fourth.WaitEnd());
    EXPECT_EQ(third.Result.Error, msg::OperationAborted);
    EXPECT_EQ(fourth.Result.Error, "");
    EXPECT_EQ(std::filesystem::file_size(s.Path("fourth.iso")), uintmax_t((16 + 49152) * 2048LL));
    ASSERT_TRUE(WaitUntil([&] { return !third.Engine.JobRunning() && !fourth.Engine.JobRunning(); },
                          std::chrono::seconds(30)));
}


// The cache thread walks the compilation's tables and entries while an image job runs: every
// change to them is refused until the job has ended, and then allowed again. A burn, which
// streams an image file, leaves the compilation free.
TEST(ImageJob, TheCompilationCannotChangeUnderARunningImageJob) {
    TScratch s;
    std::filesystem::create_directories(s.Path("src/sub"));
    MakeSparse(s.Path("src/sub/big.bin"), 64LL << 20);
    TImageJob job;
    TVornBurner& e = job.Engine;
    ASSERT_TRUE(e.ClearCompilation(1000, 100));
    ASSERT_TRUE(e.AddFolder("\\", s.Path("src"), "*.*", 63, true, false, false));
    ASSERT_TRUE(e.PrepareCompilation(true, nullptr));
    e.CreateImageFile(s.Path("out.iso"));
    ASSERT_TRUE(e.JobRunning());
    const int32_t files = e.Compilation().FileCount;
    TDEntry* sub = e.FindDir("\\sub");
    ASSERT_NE(sub, nullptr);
    EXPECT_FALSE(e.ClearCompilation(10, 10));
    EXPECT_FALSE(e.AddFolder("\\", s.Path("src"), "*.*", 63, true, true, false));
    EXPECT_FALSE(e.RemoveFile("\\sub", "big.bin"));
    EXPECT_FALSE(e.RemoveDir(sub));
    EXPECT_EQ(e.CreateDir(e.FindDir("\\"), "new", platform::faDirectory), nullptr);
    EXPECT_FALSE(e.LayoutCompilation(true, nullptr));
    EXPECT_FALSE(e.BuildImageHeader(true, nullptr));
    EXPECT_EQ(e.Compilation().FileCount, files);
    EXPECT_EQ(e.FindDir("\\sub"), sub);
    {
        std::lock_guard lock(job.MessagesMutex);
        EXPECT_EQ(std::count(job.Messages.begin(), job.Messages.end(), std::string(msg::JobAlreadyRunning)), 7);
    }
    ASSERT_TRUE(job.WaitEnd());
    EXPECT_EQ(job.Result.Error, "");
    ASSERT_TRUE(WaitUntil([&] { return !e.JobRunning(); }, std::chrono::seconds(30)));
    EXPECT_TRUE(e.RemoveFile("\\sub", "big.bin"));
    EXPECT_TRUE(e.ClearCompilation(10, 10));
}


// CreateImageFile encodes the directory extents while the cache thread streams them: the file
// must hold the very header BuildImageHeader gives in memory, then the data of every file.
TEST(ImageJob, StreamedHeaderEqualsTheWholeHeaderAndTheDataFollows) {
    TScratch s;
    platform::SetMainThread();
    platform::OverrideNow(platform::EncodeDateTime({2026, 5, 6, 7, 8, 9, 0}));
    std::vector<std::vector<uint8_t>> data;
    for (int d = 0; d < 40; ++d) {
        const std::string folder = s.Path("src/folder with a long name " + std::to_string(d));
        std::filesystem::create_directories(folder);
        for (int f = 0; f < 25; ++f) {
            data.push_back(Pattern(size_t(d * 97 + f * 311), uint8_t(d + f)));
            WriteFile(folder + "/file with a long name " + std::to_string(f) + ".bin", data.back());
        }
    }
    TVornBurner engine;
    TJobEnd result;
    engine.OnWriteDone = [&](TComponent*, const std::string& error) {
        result.Ended = true;
        result.Error = error;
    };
    engine.ClearCompilation(600000, 20000);
    ASSERT_TRUE(engine.AddFolder("\\", s.Path("src"), "*.*", 63, true, false, false));
    engine.PrepareCompilation(true, nullptr);
    engine.CreateImageFile(s.Path("out.iso"));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!result.Ended && std::chrono::steady_clock::now() < deadline) platform::CheckSynchronize(10);
    ASSERT_TRUE(result.Ended);
    EXPECT_EQ(result.Error, "");
    EXPECT_TRUE(WaitUntil([&] { return !engine.JobRunning(); }, std::chrono::seconds(5)));
    // The stream holds only the start of the header during the job and is emptied after.
    EXPECT_EQ(engine.Image().HeaderStream.Size(), 0);

    const auto image = ReadFile(s.Path("out.iso"));
    ASSERT_EQ(int64_t(image.size()), engine.ImageSectors() * 2048);
    ASSERT_TRUE(engine.BuildImageHeader(true, nullptr));
    platform::OverrideNow(std::nullopt);
    const size_t header = size_t(engine.Image().HeaderStream.Size());
    ASSERT_GT(engine.Layout().IsoDirBytes + engine.Layout().JolietDirBytes, int64_t(TCacheThread::kMaxBlockBytes));
    ASSERT_LE(header, image.size());
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + std::ptrdiff_t(header), engine.Image().HeaderStream.Data()));
    // Each file's data at its sector, in file-table order.
    for (int32_t i = 0; i < engine.Compilation().FileCount; ++i) {
        const TFEntry* f = engine.Compilation().FileTable[size_t(i)];
        if ((f->Attr & 0x10) || f->IsoSize == 0) continue;
        const auto want = ReadFile(f->SourcePath);
        const size_t at = size_t(engine.Layout().FirstFileSector + f->IsoSector) * 2048;
        ASSERT_LE(at + want.size(), image.size());
        EXPECT_TRUE(std::equal(want.begin(), want.end(), image.begin() + std::ptrdiff_t(at))) << f->SourcePath;
    }
}

// Source and output failures through the platform's file-fault seam: each ends the job with
// the text naming the file, never with an image that is silently short.
TEST(ImageJob, ReadErrorsUnreadableFoldersAndAFullDiskEachEndTheJobNamingTheFile) {
#ifdef _WIN32
    GTEST_SKIP() << "the file-fault seam sits in the POSIX file calls";
#else
    struct TUnhook {
        ~TUnhook() { platform::SetFileFaultHook({}); }
    } unhook;
    TScratch s;
    auto data = Pattern(300000, 3);
    WriteFile(s.Path("a"), data);
    std::filesystem::create_directories(s.Path("sub"));
    WriteFile(s.Path("sub/b"), Pattern(5000, 4));
    const std::string canonicalA = std::filesystem::canonical(s.Path("a")).string();
    const std::string iso = s.Path("x.iso");
    const std::string canonicalIso = std::filesystem::weakly_canonical(iso).string();

    // EIO in the middle of a source file.
    platform::SetFileFaultHook([&](platform::TFileCall call, const std::string& path, int64_t at) {
        return call == platform::TFileCall::Read && path == canonicalA && at >= 131072 ? EIO : 0;
    });
    {
        TImageJob job;
        job.AddFile(s.Path("a"), 300000, &data);
        job.Start(iso);
        ASSERT_TRUE(job.WaitEnd());
        EXPECT_EQ(job.Result.Error, msg::Format(msg::CantReadFile, s.Path("a")));
    }
    // A folder whose files can no longer be opened after it was listed.
    platform::SetFileFaultHook([&](platform::TFileCall call, const std::string& path, int64_t) {
        return call == platform::TFileCall::Open && path.rfind(s.Path("sub"), 0) == 0 ? EACCES : 0;
    });
    {
        TImageJob job;
        job.AddFile(s.Path("a"), 300000, &data);
        job.AddFile(s.Path("sub/b"), 5000);
        job.Start(iso);
        ASSERT_TRUE(job.WaitEnd());
        EXPECT_EQ(job.Result.Error, msg::Format(msg::CantOpenFile, s.Path("sub/b")));
    }
    // ENOSPC on the image once 64 KiB are written.
    platform::SetFileFaultHook([&](platform::TFileCall call, const std::string& path, int64_t at) {
        // The job writes under a working name beside the image and renames it at the end.
        return call == platform::TFileCall::Write && path.rfind(canonicalIso + ".writing", 0) == 0 && at >= 65536
                   ? ENOSPC
                   : 0;
    });
    {
        TImageJob job;
        job.AddFile(s.Path("a"), 300000, &data);
        job.Start(iso);
        ASSERT_TRUE(job.WaitEnd());
        EXPECT_EQ(job.Result.Error, msg::Format(msg::CantWriteFile, iso) + ": " + std::strerror(ENOSPC));
        EXPECT_FALSE(std::filesystem::exists(iso)); // a failed image is never under its own name
        EXPECT_LE(std::filesystem::file_size(iso + ".incomplete"), 65536u); // nothing past the failure
    }
    // Without the hook the same job completes, so the faults above were what failed it.
    platform::SetFileFaultHook({});
    {
        TImageJob job;
        job.AddFile(s.Path("a"), 300000, &data);
        job.Start(iso);
        ASSERT_TRUE(job.WaitEnd());
        EXPECT_EQ(job.Result.Error, "");
    }
#endif
}

TEST(ImageJob, AFileThatGrowsWhileReadKeepsItsListedSizeAndIsNamed) {
#ifdef _WIN32
    GTEST_SKIP() << "the file-fault seam sits in the POSIX file calls";
#else
    struct TUnhook {
        ~TUnhook() { platform::SetFileFaultHook({}); }
    } unhook;
    TScratch s;
    auto growing = Pattern(70000, 5), steady = Pattern(3000, 6);
    WriteFile(s.Path("growing.log"), growing);
    WriteFile(s.Path("steady.txt"), steady);
    const std::string canonical = std::filesystem::canonical(s.Path("growing.log")).string();
    // Another program appends to the file just as the job opens it.
    platform::SetFileFaultHook([&](platform::TFileCall call, const std::string& path, int64_t) {
        if (call == platform::TFileCall::Open && path == canonical) {
            std::ofstream f(canonical, std::ios::binary | std::ios::app);
            f << std::string(5000, 'X');
        }
        return 0;
    });
    TImageJob job;
    job.Engine.SetWritePostGap(false);
    job.AddFile(s.Path("growing.log"), 70000, &growing);
    job.AddFile(s.Path("steady.txt"), 3000, &steady);
    job.Start(s.Path("g.iso"));
    ASSERT_TRUE(job.WaitEnd());
    EXPECT_EQ(job.Result.Error, "");
    EXPECT_TRUE(ReadFile(s.Path("g.iso")) == job.Expected) << "the listed bytes, and the next file in its place";
    EXPECT_TRUE(job.Logged(">>> FILE GREW WHILE READ, LISTED SIZE KEPT: \"" + s.Path("growing.log") + "\""));
    EXPECT_FALSE(job.Logged("steady.txt"));
#endif
}
