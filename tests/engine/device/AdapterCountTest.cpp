// A manager that answers the host-adapter inquiry with a count of 0: the usual seven
// adapters are scanned, and no more.
#include <gtest/gtest.h>

#include <set>

#include "engine/device/ScsiDevice.h"
#include "engine/transport/Aspi.h"
#include "engine/transport/Srb.h"
#include "platform/Threads.h"

using namespace tarnwick;

namespace {

std::set<uint8_t> Asked;
uint8_t ReportedCount = 0;

uint32_t TW_CDECL FakeSend(void* p) {
    auto* header = static_cast<uint8_t*>(p);
    if (header[0] == SC_HA_INQUIRY) {
        auto* ha = static_cast<SRB_HAInquiry*>(p);
        ha->HA_Count = ReportedCount;
        ha->SRB_Status = SS_COMP;
        return SS_COMP;
    }
    if (header[0] == SC_EXEC_SCSI_CMD) {
        auto* srb = static_cast<SRB_ExecSCSICmd*>(p);
        Asked.insert(srb->SRB_HaId);
        srb->SRB_Status = SS_NO_DEVICE;
        // As a manager does, the request's event is signalled once its status is final.
        if ((srb->SRB_Flags & SRB_EVENT_NOTIFY) && srb->SRB_PostProc)
            static_cast<platform::TEvent*>(srb->SRB_PostProc)->Set();
        return SS_NO_DEVICE;
    }
    header[1] = SS_INVALID_CMD;
    return SS_INVALID_CMD;
}

} // namespace

TEST(AdapterCount, ZeroAdaptersReportedMeansAdaptersZeroToSixAreScanned) {
    for (uint8_t count : {uint8_t(0), uint8_t(2)}) {
        ResetTransportState();
        Asked.clear();
        ReportedCount = count;
        ASPIState().SendASPI32Command = &FakeSend;
        ASPIState().ASPIReady = true;
        TSCSIDevice dev;
        dev.HostAdapterInquiry(0);
        EXPECT_EQ(dev.HostAdapterCount, count == 0 ? 7 : 2);
        dev.ScanDevices();
        std::set<uint8_t> expected;
        for (uint8_t h = 0; h < (count == 0 ? 7 : 2); ++h) expected.insert(h);
        EXPECT_EQ(Asked, expected) << "reported " << int(count);
        EXPECT_TRUE(dev.DeviceList().empty());
        ASPIState().ASPIReady = false;
        ASPIState().SendASPI32Command = nullptr;
    }
    ResetTransportState();
}
