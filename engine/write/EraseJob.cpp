#include "engine/write/EraseJob.h"

#include <array>

#include "engine/JobState.h"
#include "engine/device/Erasing.h"
#include "engine/device/Messages.h"
#include "engine/write/VornBurner.h"
#include "platform/Threads.h"

namespace tarnwick {

namespace {

// The drive is asked for its progress this often.
constexpr uint32_t kPollMs = 1000;

std::string DiscName(uint8_t discType) { return DiscTypeNames[discType < 15 ? discType : 0]; }

// The wait after the command, and its outcome as the job's error text.
std::string Follow(TVornBurner& Engine, uint8_t discType, bool full) {
    const auto outcome = Engine.WaitLongOperation(
        rec::EraseDeadlineMs(discType, full), kPollMs, [] { return JobState().AbortFlag.load(); },
        Engine.Job().EraseProgress);
    auto unfinished = [&](const std::string& error) {
        Engine.DebugMessage(std::string(">>> ") + msg::EraseUnfinished, 0);
        return error;
    };
    switch (outcome) {
    case TSCSIDevice::TLongWait::Done: return std::string();
    case TSCSIDevice::TLongWait::Aborted: return unfinished(msg::OperationAborted);
    case TSCSIDevice::TLongWait::TimedOut: return unfinished(msg::EraseTimedOut);
    case TSCSIDevice::TLongWait::Gone:
        return unfinished(msg::BracketedOrNoDevice(msg::EraseError, Engine.LastCommandError));
    case TSCSIDevice::TLongWait::Failed: break;
    }
    return unfinished(msg::Bracketed(msg::EraseError, Engine.LastCommandError));
}

std::string Format(TVornBurner& Engine, uint8_t discType) {
    std::array<uint8_t, rec::kFormatCapacitiesAlloc> list{};
    uint32_t valid = 0;
    if (!Engine.ReadFormatCapacities(list.data(), uint16_t(list.size()), valid))
        return msg::Bracketed(msg::EraseError, Engine.LastCommandError);
    const auto descriptor = rec::ChooseFormat(discType, list.data(), valid);
    if (!descriptor) return msg::Bracketed(msg::EraseError, "NO FORMAT FOR THIS MEDIUM");
    if (!Engine.FormatUnit(descriptor->data(), true)) return msg::Bracketed(msg::EraseError, Engine.LastCommandError);
    return Follow(Engine, discType, true);
}

} // namespace

std::string EraseMedium(TVornBurner& Engine, uint8_t discType, bool full) {
    Engine.Job().EraseProgress = -1;
    if (rec::ErasedByFormat(discType)) return Format(Engine, discType);
    // Any other disc gets BLANK: a write-once disc is refused by the drive in its own words.
    if (!Engine.Blank(full, true)) return msg::Bracketed(msg::EraseError, Engine.LastCommandError);
    return Follow(Engine, discType, full);
}

std::string FormatMedium(TVornBurner& Engine, uint8_t discType) {
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

std::string TThErase::Run() {
    const uint8_t discType = Engine.GetDiscType();
    JobState().DiscType = discType;
    std::string line = msg::Format(msg::StartingErase, DiscName(discType));
    line = msg::Format(line.c_str(), std::string(FFull ? "FULL" : "MINIMAL"));
    Engine.DebugMessage(">>> " + line, 1);
    // An eject in the middle would leave the disc half erased.
    const bool locked = Engine.PreventAllowRemoval(false);
    if (!locked)
        Engine.DebugMessage(std::string(">>> ") + msg::Bracketed(msg::TrayNotLocked, Engine.LastCommandError), 1);
    std::string error = EraseMedium(Engine, discType, FFull);
    if (locked) Engine.PreventAllowRemoval(true);
    if (error.empty()) Engine.DebugMessage(std::string(">>> ") + msg::EraseDone, 1);
    return error;
}

void TThErase::Execute() {
    // The erase sequence and its waits see the job of this thread's engine.
    TJobBinding binding(Engine.Job());
    const std::string error = Run();
    if (Engine.OnWriteDone) {
        Engine.Job().LastWriteError = error;
        platform::Synchronize([this] { Engine.DoWriteDone(); });
    }
    Engine.SetReleaseHandles(true);
    FEnded = true;
}

} // namespace tarnwick
