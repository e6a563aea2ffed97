// One SCSI command to a device address: address it, send it through the transport's entry
// point, wait for completion up to its time-out, abort it when the time-out passes, and turn
// a failure into the engine's message text.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>

#include "engine/device/ScsiDevice.h"
#include "engine/transport/Aspi.h"
#include "engine/transport/Spti.h"
#include "platform/Clock.h"
#include "platform/Threads.h"

namespace tarnwick {

namespace {

// Below this no command is given less time: a drive that is spinning up needs it.
constexpr int32_t kMinTimeOutMs = 10000;

// The transport may finish a request on another thread; the status byte is its hand-over.
uint8_t LoadStatus(SRB_ExecSCSICmd& r) {
    return std::atomic_ref<uint8_t>(r.SRB_Status).load(std::memory_order_acquire);
}

// Addresses the request to At; the LUN goes into the CDB as well, as older drives read it there.
void AddressRequest(SRB_ExecSCSICmd& Request, const TDeviceAddress& At) {
    Request.SRB_Cmd = SC_EXEC_SCSI_CMD;
    Request.SRB_HaId = At.HaId;
    Request.SRB_Target = At.Target;
    Request.SRB_Lun = At.Lun;
    Request.SRB_SenseLen = 24;
    Request.CDBByte[1] = uint8_t((Request.CDBByte[1] & 0x1F) | ((At.Lun & 0x07) << 5));
}

} // namespace

int32_t TSCSIDevice::ExecSCSICommandAt(const TDeviceAddress& At, SRB_ExecSCSICmd& Request, int32_t TimeOut) {
    LastCommandError.clear();
    TargetBusy = false;
    LastSense.fill(0);

    auto& aspi = ASPIState();
    TSendASPI32Command send = aspi.SendASPI32Command.load();
    LastOutcome = TCommandOutcome{};
    LastOutcome.Opcode = Request.CDBByte[0];
    if (!ASPIInitialized() || At.None() || send == nullptr) {
        LastOutcome.Status = SS_NO_TRANSPORT;
        return SS_NO_TRANSPORT;
    }

    std::unique_ptr<platform::TEvent> event;
    if (Request.SRB_Flags & SRB_EVENT_NOTIFY) event = std::make_unique<platform::TEvent>();
    Request.SRB_PostProc = event.get();

    AddressRequest(Request, At);
    const uint32_t waitMs = uint32_t(std::max(TimeOut, kMinTimeOutMs));

    // The pass-through gives the request to the OS with a time-out of its own; it must not
    // end a long command (OPC, close, flush) before the wait here does.
    SetSPTICommandTimeOut(waitMs);
    send(&Request);
    SetSPTICommandTimeOut(0);

    // Whether the transport is done with the event: only then may it be freed. A library
    // signals it after setting the status, so a status seen as final does not mean the
    // signal has been given; the emulation finishes before it returns and never signals.
    bool eventReleased = !event || send == &SPTISendASPI32Command;
    if (event && LoadStatus(Request) == SS_PENDING) {
        eventReleased = platform::Clock().WaitEvent(*event, waitMs);
    }

    const uint8_t status = LoadStatus(Request);
    if (status != SS_PENDING && status != SS_COMP) ErrorText(Request);

    if (status == SS_PENDING) {
        // A confirmed abort means the transport no longer touches the request or its event.
        if (AbortCommand(Request)) eventReleased = true;
        Request.SRB_Status = SS_ERR;
        Request.SRB_HaStat = HASTAT_TIMEOUT;
    }
    if (event && !eventReleased) eventReleased = event->IsSet();
    // An event the transport may still signal is left alive: a few bytes against a write
    // into freed memory.
    if (!eventReleased) (void)event.release();
    event.reset();
    // A request that timed out may still be the transport's: its sense area is not read.
    LastOutcome = OutcomeOf(Request, status != SS_PENDING);

    const auto address = reinterpret_cast<std::uintptr_t>(Request.SRB_BufPointer);
    if (address % 4 != 0) DebugMessage("aaaa" + std::to_string(int32_t(uint32_t(address))), 0);
    return 1;
}

bool TSCSIDevice::AbortCommand(SRB_ExecSCSICmd& Request) {
    TSendASPI32Command send = ASPIState().SendASPI32Command.load();
    if (send == nullptr) return false;
    SRB_Abort abort{};
    abort.SRB_Cmd = SC_ABORT_SRB;
    abort.SRB_HaId = Request.SRB_HaId; // the adapter the request went to
    abort.SRB_ToAbort = &Request;
    return send(&abort) == SS_COMP;
}

} // namespace tarnwick
