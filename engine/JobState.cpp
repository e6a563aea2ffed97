#include "engine/JobState.h"

namespace tarnwick {

namespace {
thread_local TJobState* tBound = nullptr;
} // namespace

TJobState& JobState() {
    static TJobState unbound;
    return tBound ? *tBound : unbound;
}

TJobBinding::TJobBinding(TJobState& state) : Previous(tBound) { tBound = &state; }

TJobBinding::~TJobBinding() { tBound = Previous; }

} // namespace tarnwick
