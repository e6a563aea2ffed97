#include <gtest/gtest.h>

#include <set>

#include "platform/posix/ShortNames.h"

using platform::IsUpperCase83;
using platform::MakeShortNames;

TEST(ShortNames, ValidUpperCase83Names) {
    for (const char* ok : {"A", "README.TXT", "VTS_01_0.VOB", "12345678.123", "A~1", "$X.{}", "NOEXT"})
        EXPECT_TRUE(IsUpperCase83(ok)) << ok;
    for (const char* bad : {"", "readme.txt", "TOOLONGNAME.TXT", "A.TOOL", "A.B.C", ".HIDDEN", "A B.TXT", "A+B",
                            "A.", "CAF\xC3\x89.TXT"})
        EXPECT_FALSE(IsUpperCase83(bad)) << bad;
}

TEST(ShortNames, GeneratedTheNtfsWay) {
    auto s = MakeShortNames({"Long File Name.text", "a+b.txt", "my file.tar.gz", ".bashrc", "caf\xC3\xA9.txt",
                             "readme.txt", "NAME", "x.y.z.long"});
    EXPECT_EQ(s[0], "LONGFI~1.TEX");
    EXPECT_EQ(s[1], "A_B~1.TXT");
    EXPECT_EQ(s[2], "MYFILE~1.GZ");
    EXPECT_EQ(s[3], "BASHRC~1");
    EXPECT_EQ(s[4], "CAF_~1.TXT");
    EXPECT_EQ(s[5], "README.TXT"); // upper-casing alone makes it a valid short name
    EXPECT_EQ(s[6], "");
    EXPECT_EQ(s[7], "XYZ~1.LON");
}

TEST(ShortNames, CollisionsCountUpThenHashAndStayUnique) {
    std::vector<std::string> names;
    for (int i = 0; i < 7; ++i) names.push_back("LongFileName" + std::to_string(i) + ".txt");
    auto s = MakeShortNames(names);
    EXPECT_EQ(s[0], "LONGFI~1.TXT");
    EXPECT_EQ(s[3], "LONGFI~4.TXT");
    for (int i = 4; i < 7; ++i) {
        ASSERT_EQ(s[size_t(i)].size(), 12u) << s[size_t(i)];
        EXPECT_EQ(s[size_t(i)].substr(0, 2), "LO");
        EXPECT_EQ(s[size_t(i)].substr(6), "~1.TXT");
        EXPECT_TRUE(IsUpperCase83(s[size_t(i)]));
    }
    EXPECT_NE(s[4], s[5]);
    EXPECT_NE(s[5], s[6]);
}

TEST(ShortNames, RealShortNamesOfTheFolderAreNeverReused) {
    auto s = MakeShortNames({"LONGFI~1.TXT", "longfilename.txt", "README.TXT", "readme.txt", "Readme.txt"});
    EXPECT_EQ(s[0], "");
    EXPECT_EQ(s[1], "LONGFI~2.TXT");
    EXPECT_EQ(s[2], "");
    EXPECT_EQ(s[3], "README~1.TXT");
    EXPECT_EQ(s[4], "README~2.TXT");
}

TEST(ShortNames, ManySimilarNamesAllUniqueAndValid) {
    std::vector<std::string> names;
    for (int i = 0; i < 3000; ++i) names.push_back("Document number " + std::to_string(i) + ".txt");
    auto s = MakeShortNames(names);
    std::set<std::string> seen;
    for (auto& n : s) {
        EXPECT_TRUE(IsUpperCase83(n)) << n;
        EXPECT_TRUE(seen.insert(n).second) << n;
    }
}
