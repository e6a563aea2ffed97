#include "emulator/VirtualDriveDefinition.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "emulator/FolderDrive.h"
#include "emulator/Opcodes.h"
#include "platform/virtual/VirtualBus.h"

namespace emulator {

namespace {

// Ports handed out to letters, in registration order.
struct TVirtualSpecState {
    std::mutex Mutex;
    std::array<uint8_t, 26> Port{};
    uint8_t NextPort = 1;
};

TVirtualSpecState& State() {
    static TVirtualSpecState state;
    return state;
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

bool ParseNumber(const std::string& text, uint32_t& value) {
    if (text.empty()) return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// LBA[-LBA][/K]
bool ParseUnreadable(const std::string& text, TVirtualDriveDefinition& definition) {
    TVirtualDriveDefinition::TUnreadable u;
    std::string range = text;
    const size_t slash = text.find('/');
    if (slash != std::string::npos) {
        if (!ParseNumber(text.substr(slash + 1), u.RecoverAfter) || u.RecoverAfter == 0) return false;
        range = text.substr(0, slash);
    }
    const size_t dash = range.find('-');
    if (!ParseNumber(range.substr(0, dash), u.First)) return false;
    u.Last = u.First;
    if (dash != std::string::npos && (!ParseNumber(range.substr(dash + 1), u.Last) || u.Last < u.First)) return false;
    definition.Unreadable.push_back(u);
    return true;
}

std::string Lower(std::string s) {
    for (auto& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The kind first (the longest kind name, since "dvd+r" and "dvd+rw" hold a plus of their
// own), then the options, each after a '+'; empty when no kind starts the text.
std::vector<std::string> KindAndOptions(const std::string& kindPart) {
    std::string kind;
    for (const char* name : {"none", "cd-rom", "cd-r", "cd-rw", "dvd-rom", "dvd-r", "dvd-ram", "dvd-rw", "dvd-rw-seq",
                             "dvd+rw", "dvd+r"}) {
        std::string n = name;
        if (kindPart.rfind(n, 0) == 0 && (kindPart.size() == n.size() || kindPart[n.size()] == '+') &&
            n.size() > kind.size())
            kind = n;
    }
    if (kind.empty()) return {};
    std::vector<std::string> tokens{kind};
    for (size_t pos = kind.size(); pos < kindPart.size();) {
        size_t next = kindPart.find('+', pos + 1);
        tokens.push_back(kindPart.substr(pos + 1, next == std::string::npos ? std::string::npos : next - pos - 1));
        pos = next == std::string::npos ? kindPart.size() : next;
    }
    return tokens;
}

// One KEY=NUMBER option; the reason when it is not one.
std::string ApplyNumberOption(const std::string& t, size_t eq, TVirtualDriveDefinition& definition) {
    const std::string key = t.substr(0, eq);
    uint32_t n = 0;
    if (!ParseNumber(t.substr(eq + 1), n)) return "bad number in \"" + t + "\"";
    if (key == "capacity") {
        if (n == 0) return "capacity must be at least one sector";
        definition.Capacity = n;
    }
    else if (key == "ready") definition.ReadyCommands = n;
    else if (key == "readyms") definition.ReadyMs = n;
    else if (key == "medium-error") definition.MediumErrorLba = n;
    else if (key == "busy") definition.BusyWrites = n;
    else if (key == "timeout") {
        if (n == 0) return "timeout counts commands from 1";
        definition.TimeoutCommand = n;
    }
    else if (key == "vanish") definition.VanishAfter = n;
    else if (key == "erasems") definition.EraseMs = n;
    else if (key == "slowread") definition.SlowReadMs = n;
    else if (key == "css") {
        if (definition.Profile != TProfile::DvdRom) return "css needs a dvd-rom kind";
        if (n > 0xFF) return "css takes a region mask from 0 to 255";
        definition.CssRegionMask = uint8_t(n);
    }
    else if (key == "swap") {
        if (!MediumTraits(definition.Profile).Writable) return "swap needs a recordable kind";
        definition.SwapMs = n;
    }
    else return "unknown option \"" + t + "\"";
    return {};
}

// One option after the kind; the reason when it is not one.
std::string ApplyOption(const std::string& t, TVirtualDriveDefinition& definition) {
    const size_t eq = t.find('=');
    if (t == "noaddr") {
        definition.Addressed = false;
    } else if (t == "busy=forever") {
        definition.BusyWrites = UINT32_MAX;
    } else if (t == "unformatted") {
        if (definition.Profile != TProfile::DvdPlusRw && definition.Profile != TProfile::DvdRwRestricted)
            return "only a dvd+rw or dvd-rw disc can be unformatted";
        definition.Unformatted = true;
    } else if (eq != std::string::npos && t.substr(0, eq) == "unreadable") {
        if (!ParseUnreadable(t.substr(eq + 1), definition)) return "bad sector range in \"" + t + "\"";
    } else if (eq != std::string::npos) {
        return ApplyNumberOption(t, eq, definition);
    } else if (FindDriveModel(t)) {
        definition.ModelKey = FindDriveModel(t)->Key;
    } else {
        return "unknown option or drive model \"" + t + "\"";
    }
    return {};
}

} // namespace

bool ParseVirtualDriveDefinition(const std::string& input, TVirtualDriveDefinition& definition, std::string& error) {
    const std::string text = Trim(input);
    definition = {};
    auto fail = [&](const std::string& why) {
        error = "virtual drive \"" + text + "\": " + why;
        return false;
    };
    if (text.size() < 3 || text[1] != '=' || !std::isalpha(static_cast<unsigned char>(text[0])))
        return fail("expected LETTER=KIND[:BACKING]");
    definition.Letter = char(std::toupper(static_cast<unsigned char>(text[0])));
    if (definition.Letter < 'C') return fail("drive letter must be C to Z");
    std::string rest = text.substr(2);
    size_t colon = rest.find(':');
    std::string kindPart = Lower(rest.substr(0, colon));
    if (colon != std::string::npos) {
        definition.Backing = rest.substr(colon + 1);
        if (definition.Backing.empty()) return fail("empty backing file name");
    }
    const std::vector<std::string> tokens = KindAndOptions(kindPart);
    if (tokens.empty()) return fail("unknown kind \"" + kindPart.substr(0, kindPart.find('+')) + "\"");
    auto profile = ProfileFromKind(tokens[0]);
    if (!profile) return fail("unknown kind \"" + tokens[0] + "\"");
    definition.Profile = *profile;
    for (size_t i = 1; i < tokens.size(); ++i) {
        const std::string why = ApplyOption(tokens[i], definition);
        if (!why.empty()) return fail(why);
    }
    if (definition.Profile == TProfile::None && !definition.Backing.empty()) return fail("a drive without a disc has no backing file");
    return true;
}

static void ArmFaults(const TVirtualDriveDefinition& definition, TEmulatedDrive& drive) {
    auto& faults = drive.Faults();
    if (definition.MediumErrorLba) faults.Arm(TFault::WithSense(sense::WriteError).OnlyWriteAt(*definition.MediumErrorLba));
    if (definition.BusyWrites) faults.Arm(TFault::BusyStatus(definition.BusyWrites).OnlyOpcode(op::Write10));
    if (definition.TimeoutCommand) faults.Arm(TFault::Hang().AfterMatching(definition.TimeoutCommand - 1));
    if (definition.VanishAfter) faults.Arm(TFault::Disappear().AfterMatching(*definition.VanishAfter));
}

static void ApplyReadFaults(const TVirtualDriveDefinition& definition, TEmulatedDrive& drive) {
    for (const auto& u : definition.Unreadable) drive.ReadFaults().AddUnreadable(u.First, u.Last, u.RecoverAfter);
    if (definition.SlowReadMs) drive.ReadFaults().SetSlowReadMs(definition.SlowReadMs);
    if (definition.CssRegionMask && drive.Medium()) drive.Medium()->SetCss(kCssProtectedFrom, *definition.CssRegionMask);
}

static std::shared_ptr<TEmulatedDrive> BuildDrive(const TVirtualDriveDefinition& definition, std::string& rootFolder,
                                                  std::string& error) {
    namespace fs = std::filesystem;
    const bool pressed = definition.Profile != TProfile::None && !MediumTraits(definition.Profile).Writable;
    std::error_code ec;
    if (pressed && !definition.Backing.empty() && fs::is_directory(definition.Backing, ec)) {
        rootFolder = definition.Backing;
        auto drive = MakeFolderDrive(definition.Backing, definition.Profile, error);
        if (drive && !definition.ModelKey.empty()) {
            TDriveConfig config = drive->Config();
            config.Model = *FindDriveModel(definition.ModelKey);
            auto other = std::make_shared<TEmulatedDrive>(config);
            other->LoadMedium(drive->Medium());
            drive = other;
        }
        if (drive) ArmFaults(definition, *drive);
        if (drive) ApplyReadFaults(definition, *drive);
        return drive;
    }
    TDriveConfig config;
    if (!definition.ModelKey.empty()) config.Model = *FindDriveModel(definition.ModelKey);
    config.BecomingReadyCommands = definition.ReadyCommands;
    config.BecomingReadyMs = definition.ReadyMs;
    config.OperationMs = definition.EraseMs;
    std::shared_ptr<TDisc> disc;
    if (definition.Profile == TProfile::None) {
    } else if (definition.Backing.empty()) {
        disc = TDisc::InMemory(definition.Profile, definition.Capacity);
    } else if (pressed) {
        disc = TDisc::PressedFromImage(definition.Backing, definition.Profile, error);
        if (!disc) return nullptr;
    } else {
        disc = TDisc::OpenBacking(definition.Backing, definition.Profile, error, definition.Capacity);
        if (!disc) return nullptr;
    }
    // Only a disc never written is unformatted; one formatted before stays as its state says.
    if (disc && definition.Unformatted && disc->RecordedEnd() == 0)
        disc->SetNeedsFormat(true);
    auto drive = std::make_shared<TEmulatedDrive>(config);
    // The disc is in the drive from the start, already spun up.
    if (disc) drive->LoadMedium(disc);
    if (definition.SwapMs) {
        auto blank = definition.Backing.empty()
                         ? TDisc::InMemory(definition.Profile, definition.Capacity)
                         : TDisc::OpenBacking(definition.Backing + ".swap", definition.Profile, error, definition.Capacity);
        if (!blank) return nullptr;
        drive->SwapDiscOnEject(blank, *definition.SwapMs);
    }
    ArmFaults(definition, *drive);
    ApplyReadFaults(definition, *drive);
    return drive;
}

struct TBuilt {
    TVirtualDriveDefinition Definition;
    std::shared_ptr<TEmulatedDrive> Drive;
    std::string Root;
};

static bool Build(const TVirtualDriveDefinition& definition, TBuilt& built, std::string& error) {
    built.Definition = definition;
    built.Drive = BuildDrive(definition, built.Root, error);
    return built.Drive != nullptr;
}

static void Register(const TBuilt& built) {
    const TVirtualDriveDefinition& definition = built.Definition;
    std::optional<platform::SCSI_ADDRESS> address;
    if (definition.Addressed) {
        auto& state = State();
        std::lock_guard lock(state.Mutex);
        uint8_t& port = state.Port[size_t(definition.Letter - 'A')];
        if (port == 0) port = state.NextPort++;
        address = platform::SCSI_ADDRESS{sizeof(platform::SCSI_ADDRESS), port, 0, 0, 0};
    }
    platform::RegisterVirtualDrive(definition.Letter, built.Drive, address, built.Root);
}

bool RegisterVirtualDriveDefinition(const std::string& text, std::string& error) {
    TVirtualDriveDefinition definition;
    TBuilt built;
    if (!ParseVirtualDriveDefinition(text, definition, error) || !Build(definition, built, error)) return false;
    Register(built);
    return true;
}

bool RegisterVirtualDriveFile(const std::string& path, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read \"" + path + "\"";
        return false;
    }
    std::vector<TBuilt> drives;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        std::string t = Trim(line);
        if (t.empty() || t[0] == '#') continue;
        TVirtualDriveDefinition definition;
        std::string why;
        TBuilt built;
        if (!ParseVirtualDriveDefinition(t, definition, why) || !Build(definition, built, why)) {
            error = path + ":" + std::to_string(number) + ": " + why;
            return false;
        }
        drives.push_back(std::move(built));
    }
    for (const auto& built : drives) Register(built);
    return true;
}

std::shared_ptr<TEmulatedDrive> EmulatedDriveAt(char letter) {
    return std::dynamic_pointer_cast<TEmulatedDrive>(platform::VirtualDrive(letter));
}

void ResetVirtualDrives() {
    platform::ClearVirtualDrives();
    auto& state = State();
    std::lock_guard lock(state.Mutex);
    state.Port.fill(0);
    state.NextPort = 1;
}

} // namespace emulator
