#include "app/common/Version.h"

namespace tarnwick::app {

const char* ProgramVersion() { return TARNWICK_VERSION; }

} // namespace tarnwick::app
