#pragma once
// The fault matrix's columns and rig: every way a drive fails, armed for exactly one command
// of a job's sequence, and the table printed from the cells.
#include <atomic>
#include <cstdio>
#include <functional>
#include <iomanip>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "emulator/EmulatedDrive.h"
#include "emulator/Faults.h"
#include "emulator/Opcodes.h"
#include "platform/virtual/VirtualBus.h"

namespace tarnwick::test::matrix {

using emulator::TFault;
namespace op = emulator::op;

constexpr uint32_t kCellBoundMs = 20000;

struct TColumn {
    const char* Name;
    std::optional<TFault> Fault; // nullopt: the abort column
};

inline const std::vector<TColumn>& Columns() {
    static const std::vector<TColumn> columns = {
        {"notrdy", TFault::WithSense({0x02, 0x04, 0x00})},
        {"medium", TFault::WithSense({0x03, 0x11, 0x00})},
        {"illreq", TFault::WithSense({0x05, 0x24, 0x00})},
        {"unitatt", TFault::WithSense({0x06, 0x28, 0x00})},
        {"hardwr", TFault::WithSense({0x04, 0x44, 0x00})},
        {"busy", TFault::BusyStatus()},
        {"timeout", TFault::Hang()},
        {"vanish", TFault::Disappear()},
        {"short", TFault::Short()},
        {"garbage", TFault::Garbage()},
        {"abort", std::nullopt},
    };
    return columns;
}

inline const char* OpName(uint8_t o) {
    static const std::map<uint8_t, const char*> names = {
        {op::TestUnitReady, "TEST UNIT READY"}, {op::RezeroUnit, "REZERO UNIT"}, {op::RequestSense, "REQUEST SENSE"},
        {op::Inquiry, "INQUIRY"}, {op::StartStopUnit, "START STOP UNIT"},
        {op::PreventAllowMediumRemoval, "PREVENT ALLOW"}, {op::ReadCapacity, "READ CAPACITY"},
        {op::Write10, "WRITE(10)"}, {op::SynchronizeCache, "SYNCHRONIZE CACHE"},
        {op::ReadTocPmaAtip, "READ TOC/ATIP"}, {op::GetConfiguration, "GET CONFIGURATION"},
        {op::ReadDiscInformation, "READ DISC INFO"}, {op::ReadTrackInformation, "READ TRACK INFO"},
        {op::ReserveTrack, "RESERVE TRACK"}, {op::SendOpcInformation, "SEND OPC"}, {op::ModeSelect10, "MODE SELECT(10)"},
        {op::CloseTrackSession, "CLOSE TRACK/SESSION"}, {op::ReadBufferCapacity, "READ BUFFER CAP"},
        {op::ModeSense10, "MODE SENSE(10)"}, {op::SetStreaming, "SET STREAMING"}, {op::SetCdSpeed, "SET CD SPEED"},
        {op::SendDvdStructure, "SEND DVD STRUCTURE"}, {op::Read10, "READ(10)"}, {op::Read12, "READ(12)"},
        {op::Blank, "BLANK"}, {op::FormatUnit, "FORMAT UNIT"}, {op::ReadFormatCapacities, "READ FORMAT CAP"},
    };
    auto it = names.find(o);
    return it == names.end() ? "?" : it->second;
}

// Between the engine and the emulated drive: at command number At (from 0) it runs OnStep
// first, which arms the cell's fault for exactly that command or aborts the job.
class TStepTarget : public platform::IScsiTarget {
public:
    explicit TStepTarget(std::shared_ptr<emulator::TEmulatedDrive> drive) : Drive(std::move(drive)) {}
    bool Execute(platform::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER& r) override {
        const bool opcode = OnOpcode && r.spt.CdbLength && r.spt.Cdb[0] == *OnOpcode;
        if ((Count++ == At || opcode) && OnStep) OnStep();
        return Drive->Execute(r);
    }
    std::shared_ptr<emulator::TEmulatedDrive> Drive;
    std::atomic<uint32_t> Count{0};
    uint32_t At = UINT32_MAX;
    std::optional<uint8_t> OnOpcode; // or at every command with this opcode
    std::function<void()> OnStep;
};

inline bool Readable(const std::string& s) {
    if (s.empty()) return false;
    for (unsigned char c : s)
        if (c < 0x20 || c > 0x7E) return false;
    return true;
}

struct TMatrix {
    std::vector<std::string> Rows;
    std::vector<std::vector<std::string>> Cells;
    void Print(const std::string& title) const {
        std::ostringstream out;
        out << "\n" << title << "\n" << std::string(28, ' ');
        for (auto& c : Columns()) out << ' ' << std::setw(7) << c.Name;
        out << "\n";
        for (size_t i = 0; i < Rows.size(); ++i) {
            out << std::left << std::setw(28) << Rows[i] << std::right;
            for (auto& cell : Cells[i]) out << ' ' << std::setw(7) << cell;
            out << "\n";
        }
        std::fputs(out.str().c_str(), stdout);
        std::fflush(stdout);
    }
};

} // namespace tarnwick::test::matrix
