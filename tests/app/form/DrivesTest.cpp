// The window over emulated drives: the drive lists, selection by either list, the image-file
// item, both jobs end to end, the commands sent after a job, Abort and a second start click.
#include <algorithm>

#include "emulator/Opcodes.h"
#include "emulator/VirtualDriveDefinition.h"
#include "tests/app/form/FormFixture.h"
#include "tests/support/RandomBytes.h"

namespace tarnwick::app::testing {
namespace {

namespace fs = std::filesystem;

std::vector<char> ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

using testsupport::RandomBytes;

class DrivesTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        emulator::ResetVirtualDrives();
        Disc = Root / "disc";
        WriteText(Disc / "VIDEO_TS" / "VIDEO_TS.IFO", std::string(5000, 'i'));
        WriteText(Disc / "VIDEO_TS" / "VTS_01_1.VOB", RandomBytes(300000, 1));
        WriteText(Disc / "Extras" / "read me first.txt", "hello");
        Burned = Root / "dvdr.bin";
        std::string error;
        ASSERT_TRUE(emulator::RegisterVirtualDriveDefinition("E=dvd-rom:" + Disc.string(), error)) << error;
        ASSERT_TRUE(emulator::RegisterVirtualDriveDefinition("F=dvd-r:" + Burned.string(), error)) << error;
        Form->FormShow();
        ASSERT_TRUE(View.Messages.empty());
        ASSERT_EQ(View.Destination.Items.size(), 2u);
        RomIndex = View.Destination.Items[0].find(",E:") != std::string::npos ? 0 : 1;
        RecorderIndex = 1 - RomIndex;
    }
    void TearDown() override {
        FormTest::TearDown();
        emulator::ResetVirtualDrives();
    }

    std::string Rom() const { return View.Destination.Items[size_t(RomIndex)]; }
    std::string Recorder() const { return View.Destination.Items[size_t(RecorderIndex)]; }

    void ChooseSource(int index) {
        View.Source.Index = index;
        Form->cbSourceCloseUp();
    }
    void ChooseDestination(int index) {
        View.Destination.Index = index;
        Form->cbDestinationCloseUp();
    }
    void ChooseImageFile(const std::string& path) {
        View.DialogAnswers.push_back(path);
        ChooseSource(View.SourceCount() - 1);
    }

    // The commands after the job's last WRITE: what the window sends at the job end.
    static std::vector<std::vector<uint8_t>> LastCommands(char letter, size_t n) {
        auto records = emulator::EmulatedDriveAt(letter)->Log().Records();
        std::vector<std::vector<uint8_t>> cdbs;
        for (size_t i = records.size() > n ? records.size() - n : 0; i < records.size(); ++i)
            cdbs.push_back(records[i].Cdb);
        return cdbs;
    }

    static void ExpectEndOfJobCommands(char letter) {
        auto cdbs = LastCommands(letter, 3);
        ASSERT_EQ(cdbs.size(), 3u);
        EXPECT_EQ(cdbs[0][0], emulator::op::SynchronizeCache);
        EXPECT_EQ(cdbs[0][1] & 0x02, 0); // not immediate
        EXPECT_EQ(cdbs[1][0], emulator::op::PreventAllowMediumRemoval);
        EXPECT_EQ(cdbs[1][4] & 0x03, 0); // allow
        EXPECT_EQ(cdbs[2][0], emulator::op::StartStopUnit);
        EXPECT_EQ(cdbs[2][4] & 0x03, 0x02); // LoEj, not Start: eject
        EXPECT_TRUE(emulator::EmulatedDriveAt(letter)->TrayOpen());
    }

    fs::path Disc, Burned;
    int RomIndex = 0, RecorderIndex = 1;
};

TEST_F(DrivesTest, ListsHoldTheDevicesWithTheImageFileItemLastAndSelectTheFirstDrive) {
    const std::vector<std::string>& devices = Form->vorn->DeviceList();
    ASSERT_EQ(devices.size(), 2u);
    std::vector<std::string> sources = devices;
    sources.push_back("DVD Image File");
    EXPECT_EQ(View.Source.Items, sources);
    EXPECT_EQ(View.Source.Index, 0);
    EXPECT_EQ(View.Destination.Items, devices);
    EXPECT_EQ(View.Destination.Index, 0);
    EXPECT_EQ(Form->vorn->SelectedDevice, devices[0]);
    EXPECT_EQ(View.Log, std::vector<std::string>{">>> SELECTING " + devices[0]});
    EXPECT_TRUE(View.DestinationEditVisible);
    EXPECT_FALSE(View.DestinationListVisible);
}

TEST_F(DrivesTest, CancellingTheImageFileDialogReturnsToTheFirstItemAndSelectsNothing) {
    ChooseDestination(RecorderIndex);
    ASSERT_EQ(Form->vorn->SelectedDevice, Recorder());
    const auto log = View.Log;
    ChooseSource(2); // dialog cancelled
    EXPECT_EQ(View.DialogRuns, 1);
    EXPECT_EQ(View.Source.Index, 0);
    EXPECT_EQ(View.Source.Items[2], "DVD Image File");
    EXPECT_EQ(Form->vorn->SelectedDevice, Recorder()); // item 0's drive was not selected
    EXPECT_EQ(View.Log, log);
    EXPECT_TRUE(View.DestinationEditVisible);
    EXPECT_FALSE(View.DestinationListVisible);

    ChooseImageFile("/films/holiday.iso");
    EXPECT_EQ(View.Source.Items[2], "DVD Image File (/films/holiday.iso)");
    EXPECT_EQ(Form->OpenDialogFileName(), "/films/holiday.iso");
    EXPECT_FALSE(View.DestinationEditVisible);
    EXPECT_TRUE(View.DestinationListVisible);
    EXPECT_EQ(Form->vorn->SelectedDevice, Recorder());

    // The item keeps the last chosen name while a later dialog is cancelled.
    ChooseSource(2);
    EXPECT_EQ(View.Source.Items[2], "DVD Image File (/films/holiday.iso)");
    EXPECT_EQ(View.Source.Index, 0);
}

TEST_F(DrivesTest, TheDriveChosenLastInEitherListIsTheEnginesDrive) {
    ChooseDestination(RecorderIndex);
    ChooseSource(RomIndex);
    EXPECT_EQ(Form->vorn->SelectedDevice, Rom());
    EXPECT_EQ(View.Log.back(), ">>> SELECTING " + Rom());
    ChooseDestination(RecorderIndex);
    EXPECT_EQ(Form->vorn->SelectedDevice, Recorder());
    EXPECT_EQ(View.Log.back(), ">>> SELECTING " + Recorder());
}

TEST_F(DrivesTest, DriveToImageFileCopiesTheDiscOfTheSelectedDriveAndEjectsIt) {
    ChooseSource(RomIndex);
    ASSERT_EQ(Form->vorn->SelectedDevice[6], 'E'); // the letter sits at the 7th character
    const fs::path image = Root / "copy.iso";
    View.FileEditText = image.string();
    Form->Image3Click();
    ASSERT_TRUE(WaitJobEnd());
    ASSERT_FALSE(View.Log.empty());
    EXPECT_NE(std::find(View.Log.begin(), View.Log.end(), ">>> START Copying DVD to ISO FILE"), View.Log.end());
    EXPECT_EQ(View.Log.back(), ">>> Copying done, successful!");
    EXPECT_EQ(View.Progress, 100);
    EXPECT_FALSE(View.Timer1);
    EXPECT_FALSE(View.AbortEnabled);
    EXPECT_EQ(Form->vorn->ISOFileName(), image.string());

    // The image holds the disc's files: the biggest one verbatim at a sector boundary.
    const std::vector<char> iso = ReadAll(image);
    const std::vector<char> vob = ReadAll(Disc / "VIDEO_TS" / "VTS_01_1.VOB");
    ASSERT_EQ(iso.size() % 2048, 0u);
    ASSERT_GT(iso.size(), vob.size());
    EXPECT_EQ(std::string(iso.data() + 16 * 2048 + 1, 5), "CD001");
    bool found = false;
    for (size_t at = 0; !found && at + vob.size() <= iso.size(); at += 2048)
        found = std::equal(vob.begin(), vob.end(), iso.begin() + long(at));
    EXPECT_TRUE(found);
    ExpectEndOfJobCommands('E');
}

TEST_F(DrivesTest, WithoutSettingsTheCopyGoesIntoTheHomeFolderAndADriveLetterIsRefused) {
    fs::create_directories(Root / "home");
    ChooseSource(RomIndex);
    Form->Image3Click();
    ASSERT_TRUE(WaitJobEnd());
    EXPECT_EQ(View.Log.back(), ">>> Copying done, successful!");
    EXPECT_EQ(fs::file_size(Root / "home" / "DVD_Image.iso") % 2048, 0u);

    // The designed Windows default names no file here: nothing is read, nothing is created.
    const fs::path folder = fs::current_path();
    fs::current_path(Root);
    const size_t commands = emulator::EmulatedDriveAt('E')->Log().Records().size();
    View.FileEditText = "c:\\DVD_Image.iso";
    Form->Image3Click();
    fs::current_path(folder);
    EXPECT_FALSE(Form->JobRunning());
    EXPECT_FALSE(View.AbortEnabled);
    ASSERT_FALSE(View.Log.empty());
    EXPECT_EQ(View.Log.back().rfind(">>> THE IMAGE FILE \"c:\\DVD_Image.iso\" NAMES A WINDOWS DRIVE", 0), 0u)
        << View.Log.back();
    EXPECT_FALSE(fs::exists(Root / "c:\\DVD_Image.iso"));
    EXPECT_EQ(emulator::EmulatedDriveAt('E')->Log().Records().size(), commands);
}

TEST_F(DrivesTest, ImageFileToDiscBurnsTheChosenFileOntoTheRecorderChosenLast) {
    const fs::path image = Root / "film.iso";
    const std::string bytes = RandomBytes(2 * 1048576, 2);
    WriteText(image, bytes);
    ChooseImageFile(image.string());
    ChooseDestination(RecorderIndex);
    Form->Image3Click();
    ASSERT_TRUE(WaitJobEnd());
    ASSERT_FALSE(View.Log.empty());
    EXPECT_EQ(View.Log.front(), "--> Start copying movie to DVD on " + Recorder());
    EXPECT_EQ(View.Log.back(), ">>> Copying done, successful!");
    // Without the Verify key nothing is read back.
    EXPECT_EQ(std::count_if(View.Log.begin(), View.Log.end(), [](const std::string& l) { return l.find("VERIFIED") != std::string::npos; }), 0);
    EXPECT_EQ(View.Progress, 100);
    const std::vector<char> disc = ReadAll(Burned);
    ASSERT_GE(disc.size(), bytes.size());
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), disc.begin()));
    ExpectEndOfJobCommands('F');
    // The status line kept the final figures of the job.
    EXPECT_EQ(View.Status.rfind("2.1 MB of 2.1 MB written (100%)", 0), 0u) << View.Status;
}

TEST_F(DrivesTest, WithVerifyInTheSettingsTheBurnIsReadBackAndTheLogSaysSo) {
    WriteSettings("Verify=1\n");
    MakeForm();
    Form->FormShow();
    ASSERT_EQ(View.Destination.Items.size(), 2u);
    EXPECT_TRUE(Form->vorn->VerifyAfterBurn());
    const fs::path image = Root / "film.iso";
    const std::string bytes = RandomBytes(2 * 1048576, 3);
    WriteText(image, bytes);
    ChooseImageFile(image.string());
    ChooseDestination(RecorderIndex);
    Form->Image3Click();
    ASSERT_TRUE(WaitJobEnd());
    ASSERT_FALSE(View.Log.empty());
    const auto verified = std::find(View.Log.begin(), View.Log.end(), ">>> VERIFIED 1024 SECTORS");
    ASSERT_NE(verified, View.Log.end());
    EXPECT_EQ(View.Log.back(), ">>> Copying done, successful!");
    // Every sector was read back from the recorder after the disc was closed.
    size_t readSectors = 0;
    bool closedBefore = false;
    for (const auto& r : emulator::EmulatedDriveAt('F')->Log().Records()) {
        if (r.Cdb[0] == emulator::op::CloseTrackSession) closedBefore = true;
        if (r.Cdb[0] == emulator::op::Read10 || r.Cdb[0] == emulator::op::Read12) {
            EXPECT_TRUE(closedBefore);
            readSectors += r.Cdb[0] == emulator::op::Read10 ? size_t(r.Cdb[7]) << 8 | r.Cdb[8]
                                                             : size_t(r.Cdb[6]) << 24 | size_t(r.Cdb[7]) << 16 |
                                                                   size_t(r.Cdb[8]) << 8 | r.Cdb[9];
        }
    }
    EXPECT_EQ(readSectors, 1024u);
}

TEST_F(DrivesTest, AStartClickWhileAJobRunsIsIgnoredAndAbortEndsTheJob) {
    const fs::path image = Root / "film.iso";
    WriteText(image, RandomBytes(8 * 1048576, 3));
    ChooseImageFile(image.string());
    ChooseDestination(RecorderIndex);
    // The first WRITE comes back BUSY twice, so the job is still writing when Abort arrives.
    emulator::EmulatedDriveAt('F')->Faults().Arm(
        emulator::TFault::BusyStatus(2).OnlyOpcode(emulator::op::Write10));
    Form->Image3Click();
    ASSERT_TRUE(Form->JobRunning());
    const int clears = View.LogClears;
    Form->Image3Click(); // ignored: no second notice, no cleared log
    EXPECT_EQ(View.Informations.size(), 1u);
    EXPECT_EQ(View.LogClears, clears);
    Form->bAbortClick();
    EXPECT_FALSE(View.AbortEnabled);
    ASSERT_TRUE(WaitJobEnd());
    EXPECT_EQ(View.Log.back(), ">>> Copying done with warning, OPERATION ABORTED BY USER");
    EXPECT_EQ(View.Progress, 100);
    ExpectEndOfJobCommands('F');
}

// A start click handled while the previous job still ends (here: right after the window's own
// end handling, inside the engine's end report) starts nothing: the job counts as running
// until the engine's threads are done, so the previous compilation is never written again.
TEST_F(DrivesTest, AStartClickWhileTheJobEndsStartsNothing) {
    ChooseSource(RomIndex);
    const fs::path image = Root / "copy.iso";
    View.FileEditText = image.string();
    int lateClicks = 0;
    const auto designed = Form->vorn->OnWriteDone;
    Form->vorn->OnWriteDone = [&](TComponent* sender, const std::string& error) {
        designed(sender, error);
        ++lateClicks;
        View.FileEditText = (Root / "second.iso").string();
        Form->Image3Click();
    };
    Form->Image3Click();
    ASSERT_TRUE(WaitJobEnd());
    EXPECT_EQ(lateClicks, 1);
    EXPECT_EQ(View.Informations.size(), 1u);
    EXPECT_EQ(View.LogClears, 2); // start-up and the one start
    EXPECT_EQ(View.Log.back(), ">>> Copying done, successful!");
    EXPECT_FALSE(fs::exists(Root / "second.iso"));
    EXPECT_FALSE(View.AbortEnabled);
    // Once ended, a click starts the next job as usual.
    Form->vorn->OnWriteDone = designed;
    Form->Image3Click();
    ASSERT_TRUE(WaitJobEnd());
    EXPECT_EQ(View.Log.back(), ">>> Copying done, successful!");
    EXPECT_TRUE(fs::exists(Root / "second.iso"));
}

} // namespace
} // namespace tarnwick::app::testing
