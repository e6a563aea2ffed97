// The cache thread on hand-made headers and file tables: the exact byte stream it produces,
// its bound on memory, padding, and every way it can stop early.
#include "WriteTestSupport.h"
#include "engine/MemoryStream.h"
#include "engine/device/Messages.h"

using namespace tarnwick;
using namespace tarnwick::test;

namespace {

constexpr int32_t kCache = 2097152; // the smallest cache the engine allows: 32 blocks

TMemoryStream Header(int32_t sectors, uint8_t seed = 7) {
    TMemoryStream h;
    auto bytes = Pattern(size_t(sectors) * 2048, seed);
    h.Write(bytes.data(), bytes.size());
    return h;
}

void AppendSectorPadded(std::vector<uint8_t>& image, const std::vector<uint8_t>& data) {
    image.insert(image.end(), data.begin(), data.end());
    image.resize(size_t(Sectors(int64_t(image.size())) * 2048), 0);
}

} // namespace

TEST(CacheThread, StreamsHeaderThenEveryFileSectorPaddedInTableOrder) {
    TScratch s;
    TOwnJob job;
    TMemoryStream header = Header(20);
    std::vector<uint8_t> expected(header.Data(), header.Data() + header.Size());
    TFileList files;
    const size_t sizes[] = {1, 2048, 2049, 65536, 65537, 300000};
    for (size_t i = 0; i < std::size(sizes); ++i) {
        auto data = Pattern(sizes[i], uint8_t(i + 1));
        WriteFile(s.Path("f" + std::to_string(i)), data);
        files.Add(s.Path("f" + std::to_string(i)), int64_t(sizes[i]));
        AppendSectorPadded(expected, data);
        // Entries the cache must pass over: a directory, an empty file, one without a source.
        if (i == 1) files.Add(s.Path("dir"), 4096, 0x10);
        if (i == 2) files.Add(s.Path("empty"), 0);
        if (i == 3) files.Add("", 100);
    }
    TCacheThread cache(kCache, 65536, false, int64_t(expected.size()), &header, "", &files.Table, files.Count());
    std::vector<int32_t> counts;
    auto image = Drain(cache, &counts);
    EXPECT_TRUE(cache.Job().Error.Empty()) << cache.Job().Error.Get();
    ASSERT_EQ(image.size(), expected.size());
    EXPECT_TRUE(image == expected);
    // Full blocks except the last.
    for (size_t i = 0; i + 1 < counts.size(); ++i) EXPECT_EQ(counts[i], 65536) << "block " << i;
    EXPECT_EQ(cache.Remaining(), 0);
    EXPECT_TRUE(cache.Finished);
    EXPECT_EQ(header.Size(), 0); // the header's memory is released once streamed
    EXPECT_EQ(cache.CurrentFileName.Get(), s.Path("f5"));
}

TEST(CacheThread, TenOneByteFilesTakeOneSectorEachWithZeroTails) {
    TScratch s;
    TOwnJob job;
    TMemoryStream header = Header(16);
    TFileList files;
    for (int i = 0; i < 10; ++i) {
        WriteFile(s.Path(std::to_string(i)), {uint8_t('A' + i)});
        files.Add(s.Path(std::to_string(i)), 1);
    }
    TCacheThread cache(kCache, 65536, false, 26 * 2048, &header, "", &files.Table, files.Count());
    auto image = Drain(cache);
    ASSERT_EQ(image.size(), size_t(26 * 2048));
    for (int i = 0; i < 10; ++i) {
        const size_t at = size_t(16 + i) * 2048;
        EXPECT_EQ(image[at], uint8_t('A' + i));
        for (size_t k = 1; k < 2048; ++k) ASSERT_EQ(image[at + k], 0) << "file " << i << " byte " << k;
    }
}

TEST(CacheThread, SmallImagesArePaddedTo300SectorsAndLargerOnesAreNot) {
    for (int32_t total : {120, 299, 300, 400}) {
        TOwnJob job;
        TMemoryStream header = Header(total);
        TCacheThread cache(kCache, 65536, true, int64_t(total) * 2048, &header, "", nullptr, 0);
        auto image = Drain(cache);
        const int32_t expected = std::max(total, 300);
        ASSERT_EQ(image.size(), size_t(expected) * 2048) << total;
        const auto pattern = Pattern(size_t(total) * 2048, 7);
        EXPECT_TRUE(std::equal(pattern.begin(), pattern.end(), image.begin())) << total;
        EXPECT_TRUE(std::all_of(image.begin() + int64_t(total) * 2048, image.end(), [](uint8_t b) { return b == 0; }));
        EXPECT_EQ(cache.Remaining(), 0);
    }
    // Padding is for compilations only: without the flag 120 sectors stay 120.
    TOwnJob job;
    TMemoryStream header = Header(120);
    TCacheThread cache(kCache, 65536, false, 120 * 2048, &header, "", nullptr, 0);
    EXPECT_EQ(Drain(cache).size(), size_t(120 * 2048));
}

TEST(CacheThread, HeaderLargerThanTheCacheStreamsWhileTheConsumerTakes) {
    TOwnJob job;
    TMemoryStream header = Header(3000); // 6 MB header, 2 MB cache
    const auto expected = Pattern(3000 * 2048, 7);
    TCacheThread cache(kCache, 65536, false, 3000 * 2048, &header, "", nullptr, 0);
    auto image = Drain(cache);
    EXPECT_TRUE(image == expected);
    EXPECT_LE(cache.PeakBlocks(), cache.MaxBlocks());
}

TEST(CacheThread, MemoryStaysWithinTheCacheWhateverTheImageSize) {
    TScratch s;
    TOwnJob job;
    // 64 MB of sparse file behind a 2 MB cache: the queue never holds more than MaxBlocks.
    const int64_t size = 64LL << 20;
    { std::ofstream f(s.Path("big"), std::ios::binary); }
    std::filesystem::resize_file(s.Path("big"), uintmax_t(size));
    TFileList files;
    files.Add(s.Path("big"), size);
    TCacheThread cache(kCache, 65536, false, size, nullptr, "", &files.Table, files.Count());
    ASSERT_TRUE(WaitUntil([&] { return cache.Ready.load(); }, std::chrono::seconds(30)));
    // A full queue: the producer waits at the lowest priority level.
    EXPECT_EQ(cache.PriorityLevel(), 0);
    EXPECT_GE(cache.QueuedBlocks(), cache.MaxBlocks() - 1);
    auto image = Drain(cache);
    EXPECT_EQ(int64_t(image.size()), size);
    EXPECT_LE(cache.PeakBlocks(), cache.MaxBlocks());
    EXPECT_EQ(cache.MaxBlocks(), 32);
}

TEST(CacheThread, ImageFileStreamsItsBytesInBlocksOfTheDiscBlockSize) {
    TScratch s;
    TOwnJob job;
    auto data = Pattern(200000, 3); // not a whole number of sectors
    WriteFile(s.Path("in.iso"), data);
    const int64_t total = Sectors(200000) * 2048;
    TCacheThread cache(4194304, 55296, true, total, nullptr, s.Path("in.iso"));
    EXPECT_EQ(cache.MaxBlocks(), 75);
    std::vector<int32_t> counts;
    auto image = Drain(cache, &counts);
    ASSERT_EQ(int64_t(image.size()), total); // no 300-sector padding for an image file
    EXPECT_TRUE(std::equal(data.begin(), data.end(), image.begin()));
    EXPECT_TRUE(std::all_of(image.begin() + 200000, image.end(), [](uint8_t b) { return b == 0; }));
    ASSERT_EQ(counts.size(), 4u);
    EXPECT_EQ(counts[0], 55296);
    EXPECT_EQ(counts[3], int32_t(total - 3 * 55296));
}

TEST(CacheThread, MissingSourceEndsWithATextSayingItIsGone) {
    TScratch s;
    TOwnJob job;
    WriteFile(s.Path("a"), Pattern(5000, 1));
    TFileList files;
    files.Add(s.Path("a"), 5000);
    files.Add(s.Path("removed"), 5000);
    TMemoryStream header = Header(16);
    TCacheThread cache(kCache, 65536, false, (16 + 3 + 3) * 2048, &header, "", &files.Table, files.Count());
    Drain(cache);
    EXPECT_EQ(cache.Job().Error.Get(), msg::Format(msg::SourceFileGone, s.Path("removed")));
    EXPECT_EQ(cache.CurrentFileName.Get(), s.Path("removed"));
    EXPECT_TRUE(cache.WaitForEnd(5000));
}

TEST(CacheThread, SourceShorterThanListedEndsSayingItShrankInsteadOfAHole) {
    TScratch s;
    TOwnJob job;
    WriteFile(s.Path("shrunk"), Pattern(5000, 1)); // listed with 10000 bytes
    WriteFile(s.Path("after"), Pattern(100, 2));
    TFileList files;
    files.Add(s.Path("shrunk"), 10000);
    files.Add(s.Path("after"), 100);
    TCacheThread cache(kCache, 65536, false, (5 + 1) * 2048, nullptr, "", &files.Table, files.Count());
    Drain(cache);
    EXPECT_EQ(cache.Job().Error.Get(), msg::Format(msg::SourceFileShrank, s.Path("shrunk")));

    // An image file that shrank after it was measured: another job, with an error of its own.
    WriteFile(s.Path("image.iso"), Pattern(4096, 3));
    TOwnJob burnJob;
    TCacheThread burn(kCache, 65536, false, 8192, nullptr, s.Path("image.iso"));
    Drain(burn);
    EXPECT_EQ(burn.Job().Error.Get(), msg::Format(msg::CantReadFile, s.Path("image.iso")));
}

TEST(CacheThread, DataThatDoesNotAddUpToTheAnnouncedSizeIsAnErrorNotAHang) {
    TScratch s;
    WriteFile(s.Path("a"), Pattern(4096, 1));
    TFileList files;
    files.Add(s.Path("a"), 4096);
    for (int64_t total : {int64_t(10 * 2048), int64_t(1 * 2048)}) {
        TOwnJob job;
        TMemoryStream header = Header(4);
        TCacheThread cache(kCache, 65536, false, total, &header, "", &files.Table, files.Count());
        Drain(cache, nullptr, std::chrono::seconds(10));
        EXPECT_EQ(cache.Job().Error.Get(), msg::InternalError0006) << total;
    }
    // A hole in the file table.
    TOwnJob job;
    files.Table.push_back(nullptr);
    TCacheThread cache(kCache, 65536, false, 2 * 2048, nullptr, "", &files.Table, files.Count());
    Drain(cache, nullptr, std::chrono::seconds(10));
    EXPECT_EQ(cache.Job().Error.Get(), msg::InternalError0005);
}

TEST(CacheThread, AbortWhileTheQueueIsFullEmptiesItAndEndsPromptly) {
    TScratch s;
    TOwnJob job;
    const int64_t size = 64LL << 20;
    { std::ofstream f(s.Path("big"), std::ios::binary); }
    std::filesystem::resize_file(s.Path("big"), uintmax_t(size));
    TFileList files;
    files.Add(s.Path("big"), size);
    TCacheThread cache(kCache, 65536, false, size, nullptr, "", &files.Table, files.Count());
    ASSERT_TRUE(WaitUntil([&] { return cache.Ready.load(); }, std::chrono::seconds(30)));
    cache.Abort();
    ASSERT_TRUE(cache.WaitForEnd(5000));
    EXPECT_EQ(cache.QueuedBlocks(), 0);
    EXPECT_EQ(cache.Job().Error.Get(), msg::OperationAborted);
    std::vector<uint8_t> buffer(65536);
    EXPECT_EQ(cache.ReadBlock(buffer.data()), 0);
}

TEST(CacheThread, AnEarlierErrorSurvivesTheAbortThatFollowsIt) {
    TOwnJob job;
    TMemoryStream header = Header(2000);
    TCacheThread cache(kCache, 65536, false, 2000 * 2048, &header, "", nullptr, 0);
    cache.Job().Error.SetIfEmpty(msg::Format(msg::CantCreateFile, "/no/such/x.iso"));
    cache.Abort();
    ASSERT_TRUE(cache.WaitForEnd(5000));
    EXPECT_EQ(cache.Job().Error.Get(), msg::Format(msg::CantCreateFile, "/no/such/x.iso"));
}

// The write thread's path hands each written block back: a long stream is carried by about a
// queue's worth of blocks, and no block is refilled while the consumer still holds it.
TEST(CacheThread, TakenBlocksAreRefilledWithoutDisturbingTheStream) {
    TScratch s;
    TOwnJob job;
    TFileList files;
    std::vector<uint8_t> expected;
    for (int i = 0; i < 4; ++i) {
        auto data = Pattern(size_t(3'000'000 + i * 12345), uint8_t(40 + i));
        WriteFile(s.Path("big" + std::to_string(i)), data);
        files.Add(s.Path("big" + std::to_string(i)), int64_t(data.size()));
        AppendSectorPadded(expected, data);
    }
    TCacheThread cache(kCache, 65536, false, int64_t(expected.size()), nullptr, "", &files.Table,
                       files.Count());
    std::vector<uint8_t> image;
    std::unique_ptr<TCacheThread::TBlock> block;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
        const int32_t n = cache.TakeBlock(block);
        if (n == 0) break;
        if (n < 0) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "cache never finished";
            cache.WaitForBlock(50);
            continue;
        }
        // Let the producer run ahead while this block is held: it must not write into it.
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        image.insert(image.end(), block->Data, block->Data + n);
    }
    EXPECT_TRUE(cache.Job().Error.Empty()) << cache.Job().Error.Get();
    ASSERT_EQ(image.size(), expected.size());
    EXPECT_TRUE(image == expected);
    EXPECT_GT(int64_t(expected.size()) / 65536, 5 * cache.MaxBlocks());
    EXPECT_LE(cache.AllocatedBlocks(), cache.MaxBlocks() + 2);
}

namespace {

// A source that yields one block, then holds the next until the test opens its gate.
class TGatedSource : public ICacheSource {
public:
    std::string Name() const override { return "gated"; }
    bool Read(uint8_t* Dest, int32_t Count, std::string&, const std::function<bool()>& Aborted) override {
        if (Reads++ > 0)
            while (!Open.load() && !Aborted()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::memset(Dest, 0x5A, size_t(Count));
        return true;
    }
    std::atomic<bool> Open{false};
    int Reads = 0;
};

// Four blocks from a gated source, made in the calling thread's job; returns once the first is
// queued.
std::unique_ptr<TCacheThread> GatedCache(TGatedSource*& Gate) {
    auto source = std::make_unique<TGatedSource>();
    Gate = source.get();
    auto cache = std::make_unique<TCacheThread>(kCache, 65536, false, 4 * 65536, nullptr, "", nullptr, 0, nullptr,
                                                std::move(source));
    EXPECT_TRUE(WaitUntil([&] { return cache->QueuedBlocks() == 1; }, std::chrono::seconds(30)));
    return cache;
}

} // namespace

// The end-of-job figures count each time the queue ran full or empty, not each look at it.
TEST(CacheThread, FullAndEmptyAreCountedOncePerWaitHoweverLongItLasts) {
    TOwnJob job;
    {
        TMemoryStream header = Header(3000); // 6 MB through a 2 MB queue
        TCacheThread cache(kCache, 65536, false, 3000 * 2048, &header, "", nullptr, 0);
        ASSERT_TRUE(WaitUntil([&] { return cache.Ready.load(); }, std::chrono::seconds(30)));
        std::this_thread::sleep_for(std::chrono::milliseconds(50)); // a long wait at a full queue
        EXPECT_EQ(cache.FullWaits(), 1);
        EXPECT_EQ(Drain(cache).size(), size_t(3000 * 2048));
        EXPECT_GE(cache.FullWaits(), 1);
    }
    TGatedSource* gate = nullptr;
    auto cache = GatedCache(gate);
    std::unique_ptr<TCacheThread::TBlock> block;
    ASSERT_EQ(cache->TakeBlock(block), 65536);
    EXPECT_EQ(cache->EmptyReads(), 0);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(cache->TakeBlock(block), -1);
    EXPECT_EQ(cache->EmptyReads(), 1);
    gate->Open = true;
    int64_t taken = 65536;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (int32_t n; (n = cache->TakeBlock(block)) != 0 && std::chrono::steady_clock::now() < deadline;)
        if (n > 0) taken += n;
    EXPECT_EQ(taken, 4 * 65536);
    EXPECT_GE(cache->EmptyReads(), 1);
    EXPECT_EQ(cache->FullWaits(), 0);
}

// A consumer that ran dry sleeps until the producer has something for it, not until its bound:
// the gate opens long before the wait would give up.
TEST(CacheThread, ADryConsumerIsWokenByTheBlocksThatComeNotByItsBound) {
    TOwnJob job;
    TGatedSource* gate = nullptr;
    auto cache = GatedCache(gate);
    std::unique_ptr<TCacheThread::TBlock> block;
    ASSERT_EQ(cache->TakeBlock(block), 65536);
    std::thread opener([gate] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        gate->Open = true;
    });
    const auto start = std::chrono::steady_clock::now();
    cache->WaitForBlock(60000);
    const auto waited = std::chrono::steady_clock::now() - start;
    opener.join();
    EXPECT_LT(waited, std::chrono::seconds(30));
    ASSERT_EQ(cache->TakeBlock(block), 65536); // the wait did not end for nothing
    EXPECT_EQ(Drain(*cache).size(), size_t(2 * 65536));
}

// Two jobs' caches at once: each error stays with its own job.
TEST(CacheThread, EachJobKeepsItsOwnErrorWhenTwoCachesRunAtOnce) {
    TScratch s;
    WriteFile(s.Path("good"), Pattern(300000, 1));
    TFileList goodFiles, badFiles;
    goodFiles.Add(s.Path("good"), 300000);
    badFiles.Add(s.Path("missing"), 300000);
    TOwnJob goodJob;
    TCacheThread good(kCache, 65536, false, Sectors(300000) * 2048, nullptr, "", &goodFiles.Table, goodFiles.Count());
    TOwnJob badJob;
    TCacheThread bad(kCache, 65536, false, Sectors(300000) * 2048, nullptr, "", &badFiles.Table, badFiles.Count());
    Drain(bad);
    EXPECT_EQ(Drain(good).size(), size_t(Sectors(300000) * 2048));
    EXPECT_EQ(bad.Job().Error.Get(), msg::Format(msg::SourceFileGone, s.Path("missing")));
    EXPECT_TRUE(good.Job().Error.Empty()) << good.Job().Error.Get();
    EXPECT_EQ(&good.Job(), &goodJob.State);
}
