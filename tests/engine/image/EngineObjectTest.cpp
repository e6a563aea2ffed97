#include <gtest/gtest.h>

#include "engine/write/VornBurner.h"
#include "support/EngineHelpers.h"

using namespace tarnwick;

TEST(EngineObject, ConstructedWithItsDefaults) {
    TVornBurner e;
    EXPECT_EQ(e.CacheSize(), 4194304);
    EXPECT_TRUE(e.JolietFileSystem());
    EXPECT_TRUE(e.FinalizeTrack());
    EXPECT_TRUE(e.WritePostGap());
    EXPECT_TRUE(e.UnderrunProtection());
    EXPECT_FALSE(e.DoDebug());
    EXPECT_FALSE(e.ReplaceFile());
    EXPECT_FALSE(e.TestWrite());
    EXPECT_EQ(e.Version(), "1.21");
    EXPECT_EQ(e.HaId, 254);
    EXPECT_EQ(e.Compilation().MaxFiles, 65535);
    EXPECT_EQ(e.Compilation().MaxDirs, 8191);
    ASSERT_EQ(e.Compilation().DirCount, 1);
    EXPECT_EQ(e.Compilation().FileCount, 0);
    const TDEntry* root = e.Compilation().DirTable[0];
    EXPECT_EQ(root->ShortName, "CD_ROOT");
    EXPECT_EQ(root->LongName, "CD Root Directory");
    EXPECT_EQ(root->FullPath, "\\");
    EXPECT_EQ(root->Parent, root);
    EXPECT_EQ(root->Level, 1);
}

TEST(EngineObject, CacheSizeSetterAndReadOnlyVersion) {
    TVornBurner e;
    e.SetCacheSize(1000);
    EXPECT_EQ(e.CacheSize(), 2097152);
    e.SetCacheSize(5000000);
    EXPECT_EQ(e.CacheSize(), 4999168);
    e.SetCacheSize(4194304);
    EXPECT_EQ(e.CacheSize(), 4194304);
    e.SetCacheSize(-5);
    EXPECT_EQ(e.CacheSize(), 2097152);
    e.SetCacheSize(2097153);
    EXPECT_EQ(e.CacheSize(), 2097152);
    e.SetVersion("9.99");
    EXPECT_EQ(e.Version(), "1.21");
}

TEST(EngineObject, TrackSectorsArePaddedTo300WithPostGap) {
    TVornBurner e;
    e.Job().ImageSectors = 1;
    EXPECT_EQ(e.GetTrackSectors(), 300);
    e.SetWritePostGap(false);
    EXPECT_EQ(e.GetTrackSectors(), 1);
    e.SetWritePostGap(true);
    e.Job().ImageSectors = 299;
    EXPECT_EQ(e.GetTrackSectors(), 300);
    e.Job().ImageSectors = 3000000000LL; // beyond 32 bits
    EXPECT_EQ(e.GetTrackSectors(), 3000000000LL);
}

TEST(EngineObject, DebugMessageReachesTheHandlerWhateverDoDebugSays) {
    TVornBurner e;
    e.DebugMessage("nobody listens", 1); // no handler: nothing happens
    testsupport::TMessages m;
    m.Attach(e);
    ASSERT_FALSE(e.DoDebug());
    e.DebugMessage("HELLO", 3);
    ASSERT_EQ(m.List.size(), 1u);
    EXPECT_EQ(m.List[0].first, "HELLO");
    EXPECT_EQ(m.List[0].second, 3);
    TComponent* sender = nullptr;
    e.OnDebugMessage = [&](TComponent* s, const std::string&, uint8_t) { sender = s; };
    e.DebugMessage("x", 0);
    EXPECT_EQ(sender, &e);
}
