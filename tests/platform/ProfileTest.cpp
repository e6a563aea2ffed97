// Reading the settings file: Windows profile rules, and where a bare name is looked up.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "platform/Profile.h"

using platform::ParseProfileString;

TEST(ProfileParse, SectionsAndKeysMatchCaseInsensitivelyAndValuesAreTrimmed) {
    const std::string text =
        "; settings\r\n"
        "[Other]\r\nCacheSize=1\r\n"
        "  [ options ]  \r\n"
        "  cachesize =  5000000  \r\n"
        "JolietFS=\"0\"\r\n"
        "Empty=\r\n"
        "NoEquals\r\n";
    EXPECT_EQ(ParseProfileString(text, "Options", "CacheSize"), "5000000");
    EXPECT_EQ(ParseProfileString(text, "OPTIONS", "JOLIETFS"), "0"); // quotes removed
    EXPECT_EQ(ParseProfileString(text, "Options", "Empty"), "");
    EXPECT_EQ(ParseProfileString(text, "Options", "NoEquals"), std::nullopt);
    EXPECT_EQ(ParseProfileString(text, "Options", "TestWrite"), std::nullopt);
    EXPECT_EQ(ParseProfileString(text, "Missing", "CacheSize"), std::nullopt);
    EXPECT_EQ(ParseProfileString(text, "Other", "CacheSize"), "1");
}

TEST(ProfileParse, FirstSectionAndFirstKeyWinAndCommentsAreSkipped) {
    const std::string text =
        "\xEF\xBB\xBF[Options]\nTestWrite=1\nTestWrite=0\n;CloseDisc=1\n[Options]\nCloseDisc=1\n";
    EXPECT_EQ(ParseProfileString(text, "Options", "TestWrite"), "1");
    EXPECT_EQ(ParseProfileString(text, "Options", "CloseDisc"), std::nullopt);
}

// The lookup folders are Linux's; Windows takes a bare name from the Windows folder (tested
// with the Win32 layer).
#ifndef _WIN32
TEST(ProfileLookup, ConfigDirFromTheEnvironmentComesFirstAndMissingFilesGiveNothing) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("tarnwick-profile-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "Test.ini") << "[Options]\nCacheSize=$400000\n";
    setenv("TARNWICK_CONFIG_DIR", dir.c_str(), 1);
    EXPECT_EQ(platform::ProfilePath("Test.ini"), (dir / "Test.ini").string());
    EXPECT_EQ(platform::ReadProfileString("Test.ini", "options", "cachesize"), "$400000");
    EXPECT_EQ(platform::ProfilePath("Absent.ini"), "");
    EXPECT_EQ(platform::ReadProfileString("Absent.ini", "Options", "CacheSize"), std::nullopt);
    // A path is taken as it is.
    EXPECT_EQ(platform::ProfilePath((dir / "Test.ini").string()), (dir / "Test.ini").string());
    unsetenv("TARNWICK_CONFIG_DIR");

    // Next in line: the XDG configuration folder.
    fs::create_directories(dir / "xdg" / "tarnwick");
    std::ofstream(dir / "xdg" / "tarnwick" / "Test.ini") << "[Options]\nTestWrite=1\n";
    setenv("XDG_CONFIG_HOME", (dir / "xdg").c_str(), 1);
    EXPECT_EQ(platform::ReadProfileString("Test.ini", "Options", "TestWrite"), "1");
    unsetenv("XDG_CONFIG_HOME");
    fs::remove_all(dir);
}
#endif
