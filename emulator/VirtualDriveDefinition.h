#pragma once
// Virtual drives described by text, as the CLI option --virtual and the window's file of
// virtual drives give them:
//
//   LETTER=KIND[+OPTION...][:BACKING]
//
// KIND: cd-rom, cd-r, cd-rw, dvd-rom, dvd-r, dvd-rw (restricted overwrite), dvd-rw-seq,
// dvd+r, dvd+rw, dvd-ram, or none (a recorder without a disc).
// BACKING: for a recordable kind, the disc file (a new or empty file is a blank disc; its
// "<BACKING>.state" keeps what was burned); for cd-rom and dvd-rom, an image file (a pressed
// disc with those sectors) or a folder (a drive whose files are the folder's).
// OPTIONs: a drive model key or product ("generic", "cd-w512eb", "crx175e", "crx800e",
// "dvr-103", "ujda", "tdk", "cdrw321040x", "reader"); "noaddr" (the drive reports no SCSI
// address); "capacity=N" (sectors of a new disc); "ready=N" and "readyms=N" (NOT READY,
// becoming ready, for N commands / N virtual ms after each load); faults to rehearse a failing
// burn: "medium-error=LBA" (the WRITE(10) covering LBA fails with MEDIUM ERROR, WRITE ERROR),
// "busy=N" or "busy=forever" (BUSY status to the next N WRITE(10) commands, or to all),
// "timeout=N" (the N-th command the drive receives never completes), "vanish=N" (the drive
// stops answering after N commands). Commands count from the drive's registration.
// Faults of reading: "unreadable=LBA[-LBA][/K]" (those sectors fail with 3/11/00, or read
// after K failed tries; may be given more than once); "slowread=MS" (every READ takes MS
// virtual ms). "swap=MS" (recordable kinds): MS ms after an eject the tray closes on a blank
// disc of the same kind, held in "<BACKING>.swap", as a user changing the disc.
//
// SCSI addresses: the n-th distinct letter registered through these functions gets port n
// (from 1), path 0, target 0, LUN 0, so that the drives sit beside a real port 0.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "emulator/EmulatedDrive.h"
#include "emulator/Profiles.h"

namespace emulator {

struct TVirtualDriveDefinition {
    char Letter = 0;
    TProfile Profile = TProfile::None;
    std::string Backing;
    // A DVD+RW or DVD-RW (restricted overwrite) that refuses writes until FORMAT UNIT.
    bool Unformatted = false;
    std::string ModelKey;
    bool Addressed = true;
    uint32_t Capacity = 0;
    uint32_t ReadyCommands = 0;
    uint32_t ReadyMs = 0;
    std::optional<uint32_t> MediumErrorLba;
    uint32_t BusyWrites = 0; // UINT32_MAX: for ever
    uint32_t TimeoutCommand = 0;
    std::optional<uint32_t> VanishAfter;
    uint32_t EraseMs = 0; // 0: as long as a real drive takes
    struct TUnreadable {
        uint32_t First = 0, Last = 0, RecoverAfter = 0;
    };
    std::vector<TUnreadable> Unreadable;
    uint32_t SlowReadMs = 0;
    // A CSS-encrypted pressed DVD: the regions it does not play in (bit 0 = region 1); its
    // sectors from kCssProtectedFrom on are scrambled.
    std::optional<uint8_t> CssRegionMask;
    // After an eject the disc is changed for a blank one of the same kind (BACKING.swap).
    std::optional<uint32_t> SwapMs;
};

constexpr uint32_t kCssProtectedFrom = 300;

bool ParseVirtualDriveDefinition(const std::string& text, TVirtualDriveDefinition& definition, std::string& error);
bool RegisterVirtualDriveDefinition(const std::string& definition, std::string& error);
// Every non-blank line of the file that does not start with '#' is one definition. Nothing is
// registered unless every line is valid; the error names the file and line.
bool RegisterVirtualDriveFile(const std::string& path, std::string& error);
// The emulated drive behind a letter (its log and faults), or nullptr.
std::shared_ptr<TEmulatedDrive> EmulatedDriveAt(char letter);
// Unregisters every virtual drive and restarts the port numbering.
void ResetVirtualDrives();

} // namespace emulator
