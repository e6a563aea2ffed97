#include "engine/device/Decisions.h"

#include <array>
#include <cstddef>

namespace tarnwick {

namespace {

constexpr uint8_t kAscNone = 0x00, kAscNotReady = 0x04, kAscNoMedium = 0x3A;

enum class TAsc : uint8_t { None, NotReady, NoMedium, Other };

TAsc AscOf(uint8_t asc) {
    switch (asc) {
    case kAscNone: return TAsc::None;
    case kAscNotReady: return TAsc::NotReady;
    case kAscNoMedium: return TAsc::NoMedium;
    default: return TAsc::Other;
    }
}

using A = TDecision;
constexpr size_t kPoints = size_t(TDecisionPoint::Count);

struct TRow {
    bool Busy;
    bool Sense; // sense data came back
    TAsc Asc;
    std::array<TDecision, kPoints> Decision; // in the order of TDecisionPoint
};

// Every combination once; columns: Write, Close, CloseWait, Read, ReadyToRead, UnitReady.
constexpr TRow kTable[] = {
    {false, true,  TAsc::None,     {A::Retry     , A::OneMoreTry, A::GoOn      , A::Retry     , A::Wait      , A::GoOn}},
    {false, true,  TAsc::NotReady, {A::Retry     , A::Retry     , A::Wait      , A::Retry     , A::Wait      , A::Wait}},
    {false, true,  TAsc::NoMedium, {A::Fail      , A::OneMoreTry, A::GoOn      , A::NoDisc    , A::NoDisc    , A::GoOn}},
    {false, true,  TAsc::Other,    {A::Fail      , A::OneMoreTry, A::GoOn      , A::Retry     , A::Wait      , A::GoOn}},
    {false, false, TAsc::None,     {A::CheckDrive, A::OneMoreTry, A::CheckDrive, A::CheckDrive, A::Fail      , A::GoOn}},
    {false, false, TAsc::NotReady, {A::CheckDrive, A::Retry     , A::CheckDrive, A::CheckDrive, A::Fail      , A::Wait}},
    {false, false, TAsc::NoMedium, {A::Fail      , A::OneMoreTry, A::CheckDrive, A::NoDisc    , A::NoDisc    , A::GoOn}},
    {false, false, TAsc::Other,    {A::Fail      , A::OneMoreTry, A::CheckDrive, A::CheckDrive, A::Fail      , A::GoOn}},
    {true,  true,  TAsc::None,     {A::Retry     , A::Retry     , A::Wait      , A::Retry     , A::Wait      , A::GoOn}},
    {true,  true,  TAsc::NotReady, {A::Retry     , A::Retry     , A::Wait      , A::Retry     , A::Wait      , A::Wait}},
    {true,  true,  TAsc::NoMedium, {A::Retry     , A::Retry     , A::Wait      , A::NoDisc    , A::NoDisc    , A::GoOn}},
    {true,  true,  TAsc::Other,    {A::Retry     , A::Retry     , A::Wait      , A::Retry     , A::Wait      , A::GoOn}},
    {true,  false, TAsc::None,     {A::Retry     , A::Retry     , A::Wait      , A::Retry     , A::Wait      , A::GoOn}},
    {true,  false, TAsc::NotReady, {A::Retry     , A::Retry     , A::Wait      , A::Retry     , A::Wait      , A::Wait}},
    {true,  false, TAsc::NoMedium, {A::Retry     , A::Retry     , A::Wait      , A::NoDisc    , A::NoDisc    , A::GoOn}},
    {true,  false, TAsc::Other,    {A::Retry     , A::Retry     , A::Wait      , A::Retry     , A::Wait      , A::GoOn}},
};
static_assert(std::size(kTable) == 16);

} // namespace

bool Unanswered(const TCommandOutcome& o) { return !o.Busy() && o.ReturnedCode == 0; }

TDecision Decide(TDecisionPoint point, const TCommandOutcome& o) {
    if (o.Completed()) return TDecision::GoOn;
    const bool busy = o.Busy(), sense = o.ReturnedCode != 0;
    const TAsc asc = AscOf(o.ReturnedAsc);
    for (const TRow& r : kTable)
        if (r.Busy == busy && r.Sense == sense && r.Asc == asc) return r.Decision[size_t(point)];
    return TDecision::Fail; // not reached: the table holds every combination
}

} // namespace tarnwick
