#include <gtest/gtest.h>

#include "platform/Files.h"

using platform::MatchesMask;

TEST(Mask, WindowsWildcards) {
    EXPECT_TRUE(MatchesMask("README", "*.*"));
    EXPECT_TRUE(MatchesMask("a.b.c", "*.*"));
    EXPECT_TRUE(MatchesMask(".", "*.*"));
    EXPECT_TRUE(MatchesMask("anything", "*"));
    EXPECT_TRUE(MatchesMask("File.TXT", "*.txt"));
    EXPECT_FALSE(MatchesMask("file.txt.bak", "*.txt"));
    EXPECT_TRUE(MatchesMask("a.c", "?.c"));
    EXPECT_FALSE(MatchesMask("ab.c", "?.c"));
    EXPECT_FALSE(MatchesMask(".c", "?.c"));
    EXPECT_TRUE(MatchesMask("README", "*."));
    EXPECT_FALSE(MatchesMask("a.b", "*."));
    EXPECT_TRUE(MatchesMask("data", "data.*"));
    EXPECT_TRUE(MatchesMask("abXbYc", "a*b*c"));
    EXPECT_FALSE(MatchesMask("abXbYd", "a*b*c"));
    EXPECT_TRUE(MatchesMask("VTS_01_1.VOB", "vts_??_?.vob"));
}

TEST(Mask, QuestionMarkIsOneCharacterNotOneByte) {
    EXPECT_TRUE(MatchesMask("\xC3\xA9t\xC3\xA9.txt", "???.txt"));
    EXPECT_FALSE(MatchesMask("\xC3\xA9t\xC3\xA9.txt", "??.txt"));
    EXPECT_FALSE(MatchesMask("\xC3\xA9.txt", "\xC3\x89.txt")); // only ASCII letters fold
}
