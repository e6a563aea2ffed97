// The settings component: the settings file's keys into the engine, and "ver.ini".
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "app/common/Settings.h"
#include "app/common/UdfChoice.h"
#include "engine/write/VornBurner.h"

using namespace tarnwick;
namespace fs = std::filesystem;

namespace {

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        Dir = fs::temp_directory_path() / ("tarnwick-settings-" + std::to_string(::getpid()));
        fs::create_directories(Dir);
        setenv("TARNWICK_CONFIG_DIR", Dir.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("TARNWICK_CONFIG_DIR");
        fs::remove_all(Dir);
    }
    void Write(const std::string& name, const std::string& text) { std::ofstream(Dir / name, std::ios::binary) << text; }
    fs::path Dir;
};

} // namespace

TEST(SettingInteger, DecimalAndBothHexSpellingsAndNothingElse) {
    using app::ParseSettingInteger;
    EXPECT_EQ(ParseSettingInteger("5000000"), 5000000);
    EXPECT_EQ(ParseSettingInteger("-12"), -12);
    EXPECT_EQ(ParseSettingInteger("+7"), 7);
    EXPECT_EQ(ParseSettingInteger("0x400000"), 0x400000);
    EXPECT_EQ(ParseSettingInteger("0X1f"), 31);
    EXPECT_EQ(ParseSettingInteger("$FF"), 255);
    EXPECT_EQ(ParseSettingInteger("$FFFFFFFF"), -1);
    EXPECT_EQ(ParseSettingInteger("2147483647"), 2147483647);
    for (const char* bad : {"", "yes", "true", "1.5", "12abc", "0x", "$", "2147483648", "0x100000000", "1 2", "-"})
        EXPECT_EQ(ParseSettingInteger(bad), std::nullopt) << bad;
}

TEST_F(SettingsFile, EveryKeyReachesItsPropertyAndNonZeroMeansTrue) {
    Write(app::kSettingsFileName,
          "[Options]\r\nCloseDisc=7\r\nJolietFS=0\r\nTestWrite=-1\r\nPerformOPC=$1\r\n"
          "UnderrunProtection=0\r\nCacheSize=5000000\r\n");
    TVornBurner engine;
    app::ReadSettings(engine);
    EXPECT_TRUE(engine.FinalizeDisc());
    EXPECT_FALSE(engine.JolietFileSystem());
    EXPECT_TRUE(engine.TestWrite());
    EXPECT_TRUE(engine.PerformOPC());
    EXPECT_FALSE(engine.UnderrunProtection());
    EXPECT_EQ(engine.CacheSize(), 4999168); // through the setter: rounded down to 2048
}

TEST_F(SettingsFile, MissingOrNonNumericKeysKeepTheDesignValues) {
    Write(app::kSettingsFileName, "[options]\nJolietFS=no\nCacheSize=lots\nTestWrite=\n[Other]\nCloseDisc=1\n");
    TVornBurner engine;
    engine.SetFinalizeDisc(false);
    app::ReadSettings(engine);
    EXPECT_FALSE(engine.FinalizeDisc());
    EXPECT_TRUE(engine.JolietFileSystem());
    EXPECT_FALSE(engine.TestWrite());
    EXPECT_FALSE(engine.PerformOPC());
    EXPECT_TRUE(engine.UnderrunProtection());
    EXPECT_EQ(engine.CacheSize(), 4194304);

    // A small cache is raised to the minimum.
    Write(app::kSettingsFileName, "[Options]\nCacheSize=1000\n");
    app::ReadSettings(engine);
    EXPECT_EQ(engine.CacheSize(), 2097152);

    // No settings file at all.
    fs::remove(Dir / app::kSettingsFileName);
    TVornBurner fresh;
    app::ReadSettings(fresh);
    EXPECT_TRUE(fresh.JolietFileSystem());
    EXPECT_EQ(fresh.CacheSize(), 4194304);
}

TEST_F(SettingsFile, ATrailingCommentIsNoPartOfTheValueAndAnUnreadableValueIsNamed) {
    Write(app::kSettingsFileName,
          "[Options]\nTestWrite=1 ; rehearse\nCloseDisc=\"1\";x\nVerify=yes\nCacheSize=lots\nUDF=on\n");
    TVornBurner engine;
    const app::TSettingsWarnings warnings = app::ReadSettings(engine);
    EXPECT_TRUE(engine.TestWrite());
    EXPECT_TRUE(engine.FinalizeDisc());
    EXPECT_FALSE(engine.VerifyAfterBurn());
    EXPECT_EQ(warnings, (app::TSettingsWarnings{"settings key CacheSize: \"lots\" is not a number; using 4194304",
                                                 "settings key Verify: \"yes\" is not a number; using 0"}));
    app::TSettingsWarnings udf;
    EXPECT_EQ(app::ReadUdfSetting(app::kSettingsFileName, &udf), std::nullopt);
    ASSERT_EQ(udf.size(), 1u);
    EXPECT_EQ(udf[0].rfind("settings key UDF: \"on\" is not a number; using the default", 0), 0u) << udf[0];
}

TEST_F(SettingsFile, VersionIsTheFirstLineOfVerIniAndAbsenceIsNotAnError) {
    auto missing = app::ReadVersionFile(Dir.string());
    EXPECT_EQ(missing.Result, app::TVersionFile::Missing);

    Write(app::kVersionFileName, "2.0.7 beta\r\nsecond line\r\n");
    auto read = app::ReadVersionFile(Dir.string());
    EXPECT_EQ(read.Result, app::TVersionFile::Read);
    EXPECT_EQ(read.Text, "2.0.7 beta");

    Write(app::kVersionFileName, "");
    EXPECT_EQ(app::ReadVersionFile(Dir.string()).Text, "");

    if (::geteuid() != 0) {
        Write(app::kVersionFileName, "1.0\n");
        fs::permissions(Dir / app::kVersionFileName, fs::perms::none);
        auto failed = app::ReadVersionFile(Dir.string());
        EXPECT_EQ(failed.Result, app::TVersionFile::Failed);
        EXPECT_FALSE(failed.Error.empty());
    }
}
