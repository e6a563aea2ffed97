// tarnwick-cli devices: every CD/DVD drive the transport reaches, with its identity,
// capabilities, speeds, buffer and the disc it holds.
#include <iostream>

#include "cli/Command.h"
#include "cli/DriveReport.h"
#include "cli/DriveReportJson.h"
#include "engine/device/ScsiDevice.h"
#include "engine/transport/Aspi.h"

namespace tarnwick::cli {

namespace {

// The same reports as one JSON document: nothing but the document on standard output.
int RunDevicesJson(bool preferLibrary, const std::string& library) {
    TSCSIDevice dev;
    if (!dev.InitializeASPI(!preferLibrary, library)) {
        std::cout << FormatReportsJson(std::nullopt, {});
        return ExitOk;
    }
    const std::vector<std::string> devices = dev.DeviceList();
    std::vector<TDriveReport> reports;
    for (const auto& d : devices) reports.push_back(QueryDrive(dev, d));
    std::cout << FormatReportsJson(ASPIState().ASPIModuleName, reports);
    return ExitOk;
}

int RunDevices(bool preferLibrary, const std::string& library, bool json) {
    if (json) return RunDevicesJson(preferLibrary, library);
    TSCSIDevice dev;
    if (!dev.InitializeASPI(!preferLibrary, library)) {
        std::cout << "No CD/DVD drive found: neither the SCSI pass-through nor an ASPI library reaches one.\n";
        return ExitOk;
    }
    std::cout << "Transport: " << ASPIState().ASPIModuleName << "\n";
    if (dev.DeviceList().empty()) {
        std::cout << "No CD/DVD drive found.\n";
        return ExitOk;
    }
    // Copied: the queries below must not race with the list they walk.
    const std::vector<std::string> devices = dev.DeviceList();
    for (const auto& d : devices) std::cout << "\n" << FormatReport(QueryDrive(dev, d));
    return ExitOk;
}

[[maybe_unused]] const bool kRegistered =
    RegisterCommand("devices", "List the CD/DVD drives with their capabilities and discs", [](CLI::App& sub) {
        auto preferLibrary = std::make_shared<bool>(false);
        auto library = std::make_shared<std::string>();
        auto json = std::make_shared<bool>(false);
        sub.add_flag("--prefer-aspi", *preferLibrary, "Try an ASPI library before the SCSI pass-through");
        sub.add_option("--aspi-library", *library, "Path of the ASPI library to try");
        sub.add_flag("--json", *json, "Print the drives as one JSON document (for scripts)");
        return [preferLibrary, library, json] { return RunDevices(*preferLibrary, *library, *json); };
    });

} // namespace

} // namespace tarnwick::cli
