// DVD-Video folders made by ffmpeg and dvdauthor, imaged by tarnwick-cli, read back through
// libdvdread's tools (lsdvd, dvdbackup), udftools and 7-Zip's UDF reader.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "support/RunTool.h"

namespace fs = std::filesystem;

namespace {

using testsupport::CliPath;
using testsupport::HaveTool;
using testsupport::Quote;
using testsupport::RunTool;

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::map<std::string, std::string> Files(const fs::path& root) {
    std::map<std::string, std::string> m;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) m[fs::relative(e.path(), root).string()] = Slurp(e.path());
    return m;
}

// lsdvd's listing without its banner and the disc title line (a folder has none).
std::string Titles(const std::string& listing) {
    std::string out;
    std::istringstream in(listing);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("Title:", 0) == 0 || line.rfind("Longest", 0) == 0) out += line + "\n";
    return out;
}

uint32_t GetBE32(const std::string& s, size_t at) {
    return uint32_t(uint8_t(s[at])) << 24 | uint32_t(uint8_t(s[at + 1])) << 16 | uint32_t(uint8_t(s[at + 2])) << 8 |
           uint32_t(uint8_t(s[at + 3]));
}

class DvdVideo : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"ffmpeg", "dvdauthor", "lsdvd", "dvdbackup", "udfinfo", "7z"})
            if (!HaveTool(tool)) GTEST_SKIP() << tool << " is not installed";
        Root = fs::temp_directory_path() / ("tarnwick-dvdvideo-" + std::to_string(::getpid()));
        fs::remove_all(Root);
        fs::create_directories(Root);
    }
    void TearDown() override {
        if (!Root.empty()) fs::remove_all(Root);
    }

    // A short clip in the given standard ("pal" or "ntsc").
    fs::path Clip(const std::string& standard, const std::string& name, int seconds) {
        const std::string size = standard == "pal" ? "720x576" : "720x480";
        const std::string rate = standard == "pal" ? "25" : "30000/1001";
        const fs::path out = Root / (name + ".mpg");
        const auto run = RunTool("ffmpeg -loglevel error -y -f lavfi -i testsrc=size=" + size + ":rate=" + rate +
                                 " -f lavfi -i sine=frequency=440 -t " + std::to_string(seconds) + " -target " +
                                 standard + "-dvd -shortest " + Quote(out.string()));
        EXPECT_EQ(run.Code, 0) << run.Output;
        return out;
    }

    // dvdauthor's XML project, then the VIDEO_TS folder under Root/name.
    fs::path Author(const std::string& standard, const std::string& name, const std::string& xml) {
        const fs::path project = Root / (name + ".xml");
        std::ofstream(project) << xml;
        const fs::path dvd = Root / name;
        const auto run = RunTool(std::string("VIDEO_FORMAT=") + (standard == "pal" ? "PAL" : "NTSC") +
                                 " dvdauthor -o " + Quote(dvd.string()) + " -x " + Quote(project.string()));
        EXPECT_EQ(run.Code, 0) << run.Output;
        return dvd;
    }

    // The folder itself, or (FromDrive) the folder as the disc in virtual drive E:, as the demo
    // and the window copy it.
    fs::path Image(const fs::path& dvd, const std::string& volume, std::string* output = nullptr) {
        const fs::path iso = Root / (dvd.filename().string() + ".iso");
        const std::string source = FromDrive ? "--virtual " + Quote("E=dvd-rom:" + dvd.string()) : "";
        const auto run = RunTool(CliPath() + " " + source + " image --volume-id " + volume + " " +
                                 (FromDrive ? std::string("E:") : Quote(dvd.string())) + " " + Quote(iso.string()));
        EXPECT_EQ(run.Code, 0) << run.Output;
        if (output) *output = run.Output;
        return iso;
    }

    // Every check a player's library and the UDF readers make of one image.
    void ReadsBackAsTheFolder(const fs::path& dvd, const std::string& volume) {
        std::string log;
        const fs::path iso = Image(dvd, volume, &log);
        EXPECT_NE(log.find("DVD-Video folder found"), std::string::npos) << log;
        EXPECT_EQ(log.find(">>> DVD-Video"), std::string::npos) << "an IFO of dvdauthor was refused: " << log;

        const std::string onFolder = RunTool("lsdvd " + Quote(dvd.string()) + " 2>/dev/null").Output;
        const std::string onImage = RunTool("lsdvd " + Quote(iso.string()) + " 2>/dev/null").Output;
        ASSERT_FALSE(Titles(onFolder).empty()) << onFolder;
        EXPECT_EQ(Titles(onImage), Titles(onFolder)) << onImage;
        EXPECT_NE(onImage.find("Disc Title: " + volume), std::string::npos) << onImage;

        const fs::path backup = Root / (volume + "-backup");
        const std::string backupLog =
            RunTool("dvdbackup -M -i " + Quote(iso.string()) + " -o " + Quote(backup.string())).Output;
        // dvdbackup names its folder after the title it reads from the disc.
        ASSERT_TRUE(fs::is_directory(backup)) << backupLog;
        const auto copied = fs::directory_iterator(backup)->path();
        EXPECT_EQ(Files(copied / "VIDEO_TS"), Files(dvd / "VIDEO_TS")) << copied;

        const auto info = RunTool("udfinfo " + Quote(iso.string()));
        EXPECT_EQ(info.Code, 0) << info.Output;
        EXPECT_NE(info.Output.find("label=" + volume), std::string::npos) << info.Output;

        const fs::path extracted = Root / (volume + "-7z");
        RunTool("7z x -tudf -y -o" + Quote(extracted.string()) + " " + Quote(iso.string()));
        EXPECT_EQ(Files(extracted), Files(dvd));
        // An empty AUDIO_TS is part of the disc too.
        if (fs::is_directory(dvd / "AUDIO_TS")) {
            EXPECT_TRUE(fs::is_directory(extracted / "AUDIO_TS"));
        }

        // Where the IFOs say the files lie, read here without the engine's parser: the VMG at
        // the start of VIDEO_TS, each title set at its start sector from the title search
        // pointers, counted from VIDEO_TS.IFO.
        const std::string image = Slurp(iso);
        const std::string vmg = Slurp(dvd / "VIDEO_TS" / "VIDEO_TS.IFO");
        const size_t base = image.find(vmg.substr(0, 2048));
        ASSERT_NE(base, std::string::npos);
        ASSERT_EQ(base % 2048, 0u);
        const uint32_t ttSrpt = GetBE32(vmg, 0xC4) * 2048;
        const uint16_t titles = uint16_t(uint8_t(vmg[ttSrpt]) << 8 | uint8_t(vmg[ttSrpt + 1]));
        for (uint16_t t = 0; t < titles; ++t) {
            const size_t entry = ttSrpt + 8 + 12 * t;
            const int vts = uint8_t(vmg[entry + 6]);
            const uint32_t start = GetBE32(vmg, entry + 8);
            char name[16];
            std::snprintf(name, sizeof name, "VTS_%02d_0.IFO", vts);
            const std::string ifo = Slurp(dvd / "VIDEO_TS" / name);
            EXPECT_EQ(image.compare(base + size_t(start) * 2048, ifo.size(), ifo), 0) << name << " not at " << start;
        }
    }

    fs::path Root;
    bool FromDrive = false;
};

TEST_F(DvdVideo, TwoTitleSetsWithChaptersInPal) {
    const fs::path a = Clip("pal", "a", 4), b = Clip("pal", "b", 2);
    const fs::path dvd = Author("pal", "twosets", "<dvdauthor><vmgm/>"
                                                  "<titleset><titles><pgc><vob file='" + a.string() +
                                                      "' chapters='0,0:02'/></pgc></titles></titleset>"
                                                      "<titleset><titles><pgc><vob file='" + b.string() +
                                                      "'/></pgc></titles></titleset></dvdauthor>");
    fs::create_directories(dvd / "AUDIO_TS");
    ASSERT_TRUE(fs::is_empty(dvd / "AUDIO_TS"));
    ReadsBackAsTheFolder(dvd, "TWOSETS");
}

TEST_F(DvdVideo, MenusInNtsc) {
    const fs::path menu = Clip("ntsc", "menu", 1), movie = Clip("ntsc", "movie", 3);
    const fs::path dvd = Author("ntsc", "menus",
                                "<dvdauthor><vmgm><menus><pgc entry='title'><vob file='" + menu.string() +
                                    "'/><post>jump title 1;</post></pgc></menus></vmgm>"
                                    "<titleset><menus><pgc entry='root'><vob file='" + menu.string() +
                                    "'/><post>jump title 1;</post></pgc></menus><titles><pgc><vob file='" +
                                    movie.string() + "' chapters='0,0:01'/></pgc></titles></titleset></dvdauthor>");
    ASSERT_TRUE(fs::exists(dvd / "VIDEO_TS" / "VIDEO_TS.VOB"));
    ASSERT_TRUE(fs::exists(dvd / "VIDEO_TS" / "VTS_01_0.VOB"));
    ReadsBackAsTheFolder(dvd, "MENUS");
}

// The sample disc of the demo and the window's first copy is a DVD-Video as players take it.
TEST_F(DvdVideo, TheSampleDiscIsImagedWithoutAWarningAndReadsBackAsTheFolder) {
    FromDrive = true;
    ReadsBackAsTheFolder(fs::path(TARNWICK_SOURCE_DIR) / "samples" / "dvd", "SAMPLE_DVD");
}

TEST_F(DvdVideo, RandomBytesAsIfosGiveAValidImageAndAMessage) {
    const fs::path dvd = Root / "junk";
    fs::create_directories(dvd / "VIDEO_TS");
    std::string junk(10000, '\0');
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = char((i * 2654435761u) >> 13);
    std::ofstream(dvd / "VIDEO_TS" / "VIDEO_TS.IFO", std::ios::binary) << junk;
    std::ofstream(dvd / "VIDEO_TS" / "VTS_01_0.IFO", std::ios::binary) << junk.substr(0, 4000);
    std::ofstream(dvd / "VIDEO_TS" / "VTS_01_1.VOB", std::ios::binary) << junk << junk;
    std::string log;
    FromDrive = true;
    const fs::path iso = Image(dvd, "JUNK", &log);
    // Named once, although the layout runs twice per job, with the path as the drive spells it.
    const std::string named = ">>> DVD-Video: \"E:\\VIDEO_TS\\VIDEO_TS.IFO\": ";
    const size_t first = log.find(named);
    EXPECT_NE(first, std::string::npos) << log;
    EXPECT_EQ(log.find(named, first + 1), std::string::npos) << log;
    const fs::path extracted = Root / "junk-7z";
    RunTool("7z x -tudf -y -o" + Quote(extracted.string()) + " " + Quote(iso.string()));
    EXPECT_EQ(Files(extracted), Files(dvd));
    const fs::path bsd = Root / "junk-bsdtar";
    fs::create_directories(bsd);
    EXPECT_EQ(RunTool("bsdtar -xf " + Quote(iso.string()) + " -C " + Quote(bsd.string())).Code, 0);
    EXPECT_EQ(Files(bsd), Files(dvd));
}

} // namespace
