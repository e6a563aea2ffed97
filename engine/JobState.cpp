#include "engine/JobState.h"

namespace tarnwick {

TJobState& JobState() {
    static TJobState state;
    return state;
}

} // namespace tarnwick
