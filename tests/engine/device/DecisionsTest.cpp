// The decisions after a failed command, from the request as the transport returns it.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/device/Decisions.h"

using namespace tarnwick;

namespace {

// A finished request: its status bytes and, for a CHECK CONDITION, fixed-format sense data.
TCommandOutcome Answer(uint8_t targetStatus, uint8_t key = 0, uint8_t asc = 0, uint8_t code = 0x70) {
    SRB_ExecSCSICmd r{};
    r.CDBByte[0] = 0x2A;
    r.SRB_Status = SS_ERR;
    r.SRB_TargStat = targetStatus;
    if (code) {
        r.SenseArea[0] = code;
        r.SenseArea[2] = key;
        r.SenseArea[7] = 10;
        r.SenseArea[12] = asc;
    }
    return OutcomeOf(r);
}

TEST(Decisions, TheDrivesAnswerDecidesAtEachPoint) {
    const TCommandOutcome notReady = Answer(STATUS_CHKCOND, 0x02, 0x04);
    const TCommandOutcome noDisc = Answer(STATUS_CHKCOND, 0x02, 0x3A);
    const TCommandOutcome refused = Answer(STATUS_CHKCOND, 0x05, 0x24);
    const TCommandOutcome busy = Answer(STATUS_BUSY, 0, 0, 0);
    const TCommandOutcome silent = Answer(STATUS_CHKCOND, 0, 0, 0); // a CHECK CONDITION without sense

    EXPECT_EQ(Decide(TDecisionPoint::Write, notReady), TDecision::Retry);
    EXPECT_EQ(Decide(TDecisionPoint::Write, busy), TDecision::Retry);
    EXPECT_EQ(Decide(TDecisionPoint::Write, refused), TDecision::Fail);
    EXPECT_EQ(Decide(TDecisionPoint::Write, noDisc), TDecision::Fail);
    EXPECT_EQ(Decide(TDecisionPoint::Write, silent), TDecision::CheckDrive);

    EXPECT_EQ(Decide(TDecisionPoint::Close, notReady), TDecision::Retry);
    EXPECT_EQ(Decide(TDecisionPoint::Close, refused), TDecision::OneMoreTry);
    EXPECT_EQ(Decide(TDecisionPoint::CloseWait, notReady), TDecision::Wait);
    EXPECT_EQ(Decide(TDecisionPoint::CloseWait, refused), TDecision::GoOn);
    EXPECT_EQ(Decide(TDecisionPoint::CloseWait, silent), TDecision::CheckDrive);

    EXPECT_EQ(Decide(TDecisionPoint::Read, noDisc), TDecision::NoDisc);
    EXPECT_EQ(Decide(TDecisionPoint::Read, refused), TDecision::Retry);
    EXPECT_EQ(Decide(TDecisionPoint::ReadyToRead, silent), TDecision::Fail);
    EXPECT_EQ(Decide(TDecisionPoint::ReadyToRead, busy), TDecision::Wait);
    EXPECT_EQ(Decide(TDecisionPoint::UnitReady, notReady), TDecision::Wait);
    EXPECT_EQ(Decide(TDecisionPoint::UnitReady, refused), TDecision::GoOn);

    EXPECT_TRUE(Unanswered(silent));
    EXPECT_FALSE(Unanswered(busy));
    EXPECT_FALSE(Unanswered(notReady));
}

TEST(Decisions, ACompletedCommandIsNeverAWaitAndStaleSenseIsNotOnlyForChecks) {
    SRB_ExecSCSICmd r{};
    r.SRB_Status = SS_COMP;
    r.SenseArea[0] = 0x70;
    r.SenseArea[12] = 0x04; // left from an earlier command
    const TCommandOutcome done = OutcomeOf(r);
    for (int p = 0; p < int(TDecisionPoint::Count); ++p)
        EXPECT_EQ(Decide(TDecisionPoint(p), done), TDecision::GoOn) << p;

    // A BUSY answer keeps the waits going whatever the sense area holds.
    const TCommandOutcome busyWithSense = Answer(STATUS_BUSY, 0x05, 0x24);
    EXPECT_EQ(Decide(TDecisionPoint::Write, busyWithSense), TDecision::Retry);
    EXPECT_EQ(Decide(TDecisionPoint::CloseWait, busyWithSense), TDecision::Wait);
    // A request that timed out brings no sense: the drive said nothing.
    SRB_ExecSCSICmd late{};
    late.SRB_Status = SS_ERR;
    late.SRB_HaStat = HASTAT_TIMEOUT;
    late.SenseArea[0] = 0x70;
    late.SenseArea[12] = 0x04;
    EXPECT_EQ(Decide(TDecisionPoint::Write, OutcomeOf(late, false)), TDecision::CheckDrive);
}

} // namespace
