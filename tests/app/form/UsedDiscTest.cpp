// The window's burn onto a CD-RW or DVD-RW that holds data: the question, the erase with the
// gauge and the status line following the drive, the burn after it, and the ways it ends.
#include <condition_variable>
#include <mutex>
#include <set>

#include "app/common/ProgressText.h"
#include "emulator/Opcodes.h"
#include "emulator/VirtualDriveDefinition.h"
#include "platform/Clock.h"
#include "platform/Threads.h"
#include "tests/app/form/FormFixture.h"
#include "tests/support/RandomBytes.h"

namespace tarnwick::app::testing {
namespace {

namespace fs = std::filesystem;

using testsupport::RandomBytes;

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Virtual time whose sleeps on the job's threads wait for the test's go-ahead while held, so
// the test can look at the window between two polls of the drive.
class TSteppedClock : public platform::IClock {
public:
    uint64_t NowMs() override { return Time; }
    void SleepMs(uint32_t ms) override {
        if (!platform::IsMainThread()) {
            std::unique_lock lock(Mutex);
            if (Held) {
                ++Sleepers;
                Changed.notify_all();
                Changed.wait(lock, [&] { return !Held || Granted > 0; });
                if (Granted > 0) --Granted;
                --Sleepers;
            }
        }
        Time += ms;
    }
    bool WaitEvent(platform::TEvent& event, uint32_t timeoutMs) override {
        if (event.WaitFor(timeoutMs < 50 ? timeoutMs : 50)) return true;
        Time += timeoutMs;
        return event.IsSet();
    }
    void Hold(bool held) {
        std::lock_guard lock(Mutex);
        Held = held;
        Changed.notify_all();
    }
    // True when a job thread waits in a sleep (within a real-time bound).
    bool AwaitSleeper() {
        std::unique_lock lock(Mutex);
        return Changed.wait_for(lock, std::chrono::milliseconds(200), [&] { return Sleepers > Granted; });
    }
    void Step() {
        std::lock_guard lock(Mutex);
        ++Granted;
        Changed.notify_all();
    }

private:
    std::atomic<uint64_t> Time{0};
    std::mutex Mutex;
    std::condition_variable Changed;
    bool Held = false;
    int Sleepers = 0, Granted = 0;
};

class UsedDiscTest : public FormTest {
protected:
    void Start(const std::string& kind) {
        platform::SetClock(&Clock);
        emulator::ResetVirtualDrives();
        Disc = Root / "rw.bin";
        std::string error;
        ASSERT_TRUE(emulator::RegisterVirtualDriveDefinition("G=" + kind + ":" + Disc.string(), error)) << error;
        Form->FormShow();
        ASSERT_EQ(View.Destination.Items.size(), 1u);
    }
    void TearDown() override {
        Clock.Hold(false);
        FormTest::TearDown();
        emulator::ResetVirtualDrives();
        platform::SetClock(nullptr);
    }
    // Chooses the image file as the source and the drive as the recorder, and clicks Start.
    void Burn(const std::string& bytes, const std::string& name) {
        const fs::path image = Root / name;
        WriteText(image, bytes);
        View.DialogAnswers.push_back(image.string());
        View.Source.Index = View.SourceCount() - 1;
        Form->cbSourceCloseUp();
        View.Destination.Index = 0;
        Form->cbDestinationCloseUp();
        Form->Image3Click();
    }
    // The job ejects the disc at its end; the user puts it back.
    void Reinsert() {
        auto drive = emulator::EmulatedDriveAt('G');
        ASSERT_TRUE(drive->Medium());
        drive->LoadMedium(drive->Medium());
        drive->Log().Clear();
    }
    std::string DiscStart(size_t n) { return ReadAll(Disc).substr(0, n); }
    std::vector<emulator::TCommandRecord> Sent(uint8_t opcode) {
        std::vector<emulator::TCommandRecord> out;
        for (auto& r : emulator::EmulatedDriveAt('G')->Log().Records())
            if (r.Opcode() == opcode) out.push_back(r);
        return out;
    }
    bool Logged(const std::string& text) const {
        for (const auto& l : View.Log)
            if (l.find(text) != std::string::npos) return true;
        return false;
    }

    TSteppedClock Clock;
    fs::path Disc;
};

constexpr size_t kImageBytes = 400 * 2048;

TEST_F(UsedDiscTest, AUsedCdRwIsErasedOnYesWithTheGaugeFollowingTheDriveAndThenHoldsTheNewImage) {
    Start("cd-rw");
    const std::string first = RandomBytes(kImageBytes, 1), second = RandomBytes(kImageBytes, 2);
    Burn(first, "first.iso");
    ASSERT_TRUE(WaitJobEnd());
    EXPECT_TRUE(View.Questions.empty()) << "a blank disc is burned without a question";
    ASSERT_EQ(View.Log.back(), ">>> Copying done, successful!");
    ASSERT_EQ(DiscStart(kImageBytes), first);

    Reinsert();
    View.YesNoAnswers.push_back(true);
    Clock.Hold(true);
    Burn(second, "second.iso");
    ASSERT_EQ(View.Questions, std::vector<std::string>{TForm1::kEraseQuestion});
    ASSERT_TRUE(Form->Erasing());

    // The window's timers between the drive's polls: the status line and the gauge move with
    // the progress the drive reports, and Timer1's slow creep stays out of it.
    std::vector<std::string> statuses;
    std::vector<int> gauge;
    const uint64_t started = Clock.NowMs();
    for (int polls = 0; Form->Erasing() && polls < 2000; ++polls) {
        platform::CheckSynchronize(0);
        Form->DrainLog();
        if (!Form->Erasing() || !Clock.AwaitSleeper()) continue;
        Form->Timer1Timer();
        Form->StatusTimerTick();
        if (statuses.empty() || statuses.back() != View.Status) statuses.push_back(View.Status);
        if (gauge.empty() || gauge.back() != View.Progress) gauge.push_back(View.Progress);
        Clock.Step();
    }
    Clock.Hold(false);
    ASSERT_FALSE(Form->Erasing());
    EXPECT_GE(Clock.NowMs() - started, 60000u) << "a CD-RW's minimal erase takes minutes";
    EXPECT_GE(statuses.size(), 5u);
    for (const auto& s : statuses) EXPECT_EQ(s.rfind("Erasing the disc", 0), 0u) << s;
    EXPECT_GE(gauge.size(), 5u);
    EXPECT_TRUE(std::is_sorted(gauge.begin(), gauge.end()));
    EXPECT_LT(gauge.front(), 20);
    EXPECT_GT(gauge.back(), 80);

    ASSERT_TRUE(WaitJobEnd());
    EXPECT_EQ(View.Log.back(), ">>> Copying done, successful!");
    EXPECT_EQ(DiscStart(kImageBytes), second);
    // One minimal BLANK with Immed set, and the burn's writes only after it.
    const auto blanks = Sent(emulator::op::Blank);
    ASSERT_EQ(blanks.size(), 1u);
    EXPECT_EQ(blanks[0].Cdb[1], 0x11);
    EXPECT_FALSE(Sent(emulator::op::Write10).empty());
    // The status line moved on to the burn's figures.
    EXPECT_NE(View.Status.find("MB written"), std::string::npos) << View.Status;
}

TEST_F(UsedDiscTest, NoLeavesAUsedSequentialDvdRwUntouchedAndEndsTheJob) {
    Start("dvd-rw-seq");
    const std::string first = RandomBytes(kImageBytes, 3);
    Burn(first, "first.iso");
    ASSERT_TRUE(WaitJobEnd());
    ASSERT_EQ(DiscStart(kImageBytes), first);

    Reinsert();
    View.Informations.clear();
    View.YesNoAnswers.push_back(false);
    Burn(RandomBytes(kImageBytes, 4), "second.iso");
    EXPECT_EQ(View.Questions.size(), 1u);
    EXPECT_FALSE(Form->JobRunning());
    EXPECT_FALSE(View.AbortEnabled);
    EXPECT_TRUE(View.Informations.empty()) << "no start notice for a job that does not start";
    EXPECT_EQ(View.Log.back(), ">>> THE DISC IS NOT BLANK: ERASE IT FIRST");
    EXPECT_TRUE(Sent(emulator::op::Blank).empty());
    EXPECT_TRUE(Sent(emulator::op::Write10).empty());
    EXPECT_EQ(DiscStart(kImageBytes), first);
}

TEST_F(UsedDiscTest, AbortDuringTheEraseEndsTheJobWithoutABurnAndSaysTheDiscMustBeErasedAgain) {
    Start("cd-rw");
    const std::string first = RandomBytes(kImageBytes, 5);
    Burn(first, "first.iso");
    ASSERT_TRUE(WaitJobEnd());

    Reinsert();
    View.YesNoAnswers.push_back(true);
    Clock.Hold(true);
    Burn(RandomBytes(kImageBytes, 6), "second.iso");
    ASSERT_TRUE(Clock.AwaitSleeper() || Clock.AwaitSleeper());
    Form->bAbortClick();
    Clock.Hold(false);
    ASSERT_TRUE(WaitJobEnd());
    EXPECT_FALSE(Form->Erasing());
    EXPECT_TRUE(Logged("CANNOT BE USED UNTIL IT IS ERASED AGAIN"));
    EXPECT_EQ(View.Log.back(), ">>> Copying done with warning, OPERATION ABORTED BY USER");
    EXPECT_EQ(View.Progress, 100);
    EXPECT_EQ(Sent(emulator::op::Blank).size(), 1u);
    EXPECT_TRUE(Sent(emulator::op::Write10).empty());
}

TEST_F(UsedDiscTest, EraseStatusTextShowsTheDrivesFractionOrThatItIsUnknown) {
    EXPECT_EQ(progress::EraseStatusLine(-1), "Erasing the disc ...");
    EXPECT_EQ(progress::EraseStatusLine(0), "Erasing the disc: 0.0%");
    EXPECT_EQ(progress::EraseStatusLine(32768), "Erasing the disc: 50.0%");
    EXPECT_EQ(progress::EraseStatusLine(65536), "Erasing the disc: 100.0%");
    EXPECT_EQ(progress::EraseStatusLine(900000), "Erasing the disc: 100.0%");
}

} // namespace
} // namespace tarnwick::app::testing
