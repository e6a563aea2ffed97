#include "engine/write/EraseJob.h"

#include <array>

#include "engine/JobState.h"
#include "engine/device/Decisions.h"
#include "engine/device/Erasing.h"
#include "engine/device/Messages.h"
#include "engine/write/VornBurner.h"
#include "platform/Threads.h"

namespace tarnwick {

namespace {

// The drive is asked for its progress this often.
constexpr uint32_t kPollMs = 1000;

std::string DiscName(uint8_t discType) { return DiscTypeNames[discType < 15 ? discType : 0]; }

// The erase error with the drive's words; a drive that said nothing at all has gone, and is
// named.
std::string EraseFailure(TVornBurner& Engine) {
    if (!Engine.LastCommandError.empty()) return msg::Bracketed(msg::EraseError, Engine.LastCommandError);
    return msg::Bracketed(msg::EraseError, "NO DEVICE: " + Engine.SelectedDevice + " DOES NOT ANSWER");
}

// Pressed and write-once discs: the drive would only refuse the BLANK.
bool WriteOnce(uint8_t discType) {
    switch (discType) {
    case dtCDROM: case dtCDR: case dtDVDROM: case dtDVDR: case dtDVDPlusR: case dtDDCDROM: case dtDDCDR: return true;
    default: return false;
    }
}

// Why no erase is started, or empty.
std::string RefuseErase(TVornBurner& Engine, uint8_t discType) {
    if (WriteOnce(discType)) return msg::Format(msg::NotErasable, DiscName(discType));
    if (discType == dtUnknown && !Engine.TestUnitReady(10000) &&
        Decide(TDecisionPoint::ReadyToRead, Engine.LastOutcome) == TDecision::NoDisc)
        return msg::NoDisc;
    return std::string();
}

TJobResult Failure(const std::string& text) { return {TJobResultKind::Failed, text}; }

// The wait after the command, and its outcome as the job's end.
TJobResult Follow(TVornBurner& Engine, uint8_t discType, bool full) {
    const auto outcome = Engine.WaitLongOperation(
        rec::EraseDeadlineMs(discType, full), kPollMs, [] { return JobState().AbortFlag.load(); },
        Engine.Job().EraseProgress);
    auto unfinished = [&](const std::string& error, TJobResultKind kind = TJobResultKind::Failed) {
        Engine.DebugMessage(std::string(">>> ") + msg::EraseUnfinished, 0);
        return TJobResult{kind, error};
    };
    switch (outcome) {
    case TSCSIDevice::TLongWait::Done: return TJobResult{};
    case TSCSIDevice::TLongWait::Aborted: return unfinished(msg::OperationAborted, TJobResultKind::Aborted);
    case TSCSIDevice::TLongWait::TimedOut: return unfinished(msg::EraseTimedOut);
    case TSCSIDevice::TLongWait::Gone: return unfinished(EraseFailure(Engine));
    case TSCSIDevice::TLongWait::Failed: break;
    }
    return unfinished(EraseFailure(Engine));
}

TJobResult Format(TVornBurner& Engine, uint8_t discType) {
    std::array<uint8_t, rec::kFormatCapacitiesAlloc> list{};
    uint32_t valid = 0;
    if (!Engine.ReadFormatCapacities(list.data(), uint16_t(list.size()), valid)) return Failure(EraseFailure(Engine));
    const auto descriptor = rec::ChooseFormat(discType, list.data(), valid);
    if (!descriptor) return Failure(msg::Bracketed(msg::EraseError, "NO FORMAT FOR THIS MEDIUM"));
    if (!Engine.FormatUnit(descriptor->data(), true)) return Failure(EraseFailure(Engine));
    return Follow(Engine, discType, true);
}

} // namespace

TJobResult EraseMedium(TVornBurner& Engine, uint8_t discType, bool full) {
    Engine.Job().EraseProgress = -1;
    if (rec::ErasedByFormat(discType)) return Format(Engine, discType);
    // Any other disc gets BLANK: a disc the job did not know is refused by the drive in its
    // own words.
    if (!Engine.Blank(full, true)) return Failure(EraseFailure(Engine));
    return Follow(Engine, discType, full);
}

TJobResult FormatMedium(TVornBurner& Engine, uint8_t discType) {
    Engine.Job().EraseProgress = -1;
    Engine.DebugMessage(std::string(">>> ") + msg::Format(msg::FormattingForFirstUse, DiscName(discType)), 1);
    return Format(Engine, discType);
}

TThErase::TThErase(TVornBurner& AEngine, bool Full) : Engine(AEngine), FFull(Full) {}

TThErase::~TThErase() {
    if (!Thread.joinable()) return;
    if (Thread.get_id() == std::this_thread::get_id())
        Thread.detach();
    else
        Thread.join();
}

void TThErase::Start() { Thread = std::thread([this] { Execute(); }); }

TJobResult TThErase::Run() {
    const uint8_t discType = Engine.GetDiscType();
    JobState().DiscType = discType;
    if (std::string refused = RefuseErase(Engine, discType); !refused.empty())
        return {TJobResultKind::Refused, refused};
    std::string line = msg::Format(msg::StartingErase, DiscName(discType));
    line = msg::Format(line.c_str(), std::string(FFull ? "FULL" : "MINIMAL"));
    Engine.DebugMessage(">>> " + line, 1);
    // An eject in the middle would leave the disc half erased.
    const bool locked = Engine.PreventAllowRemoval(false);
    if (!locked)
        Engine.DebugMessage(std::string(">>> ") + msg::Bracketed(msg::TrayNotLocked, Engine.LastCommandError), 1);
    TJobResult result = EraseMedium(Engine, discType, FFull);
    if (locked) Engine.PreventAllowRemoval(true);
    if (result.Text.empty()) Engine.DebugMessage(std::string(">>> ") + msg::EraseDone, 1);
    return result;
}

void TThErase::Execute() {
    // The erase sequence and its waits see the job of this thread's engine.
    TJobBinding binding(Engine.Job());
    Engine.Job().LastResult = Run();
    if (Engine.OnWriteDone) {
        Engine.Job().LastWriteError = Engine.Job().LastResult.Text;
        platform::Synchronize([this] { Engine.DoWriteDone(); });
    }
    Engine.SetReleaseHandles(true);
    FEnded = true;
}

} // namespace tarnwick
