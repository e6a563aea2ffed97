#include "cli/VirtualOption.h"

namespace tarnwick::cli {

namespace {
TVirtualOptionHandler& Handler() {
    static TVirtualOptionHandler handler;
    return handler;
}
} // namespace

void SetVirtualOptionHandler(TVirtualOptionHandler handler) { Handler() = std::move(handler); }

bool ApplyVirtualOption(const std::string& definition, std::string& error) {
    if (!Handler()) {
        error = "virtual drives are not available in this build (--virtual " + definition + ")";
        return false;
    }
    return Handler()(definition, error);
}

} // namespace tarnwick::cli
