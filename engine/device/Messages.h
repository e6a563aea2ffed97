#pragma once
// The engine's message table: its own texts (below) and the SCSI status and sense texts
// (SenseTables.h). The empty text is the result of a job without error.
#include <string>

namespace tarnwick::msg {

inline constexpr const char* NoError = "";
inline constexpr const char* MaxDirectories = "MAXIMUM DIRECTORIES CAN BE %d";
inline constexpr const char* MaxFiles = "MAXIMUM FILES CAN BE %d";
inline constexpr const char* InvalidDestinationPath = "INVALID DESTINATION PATH";
inline constexpr const char* InvalidDeviceId = "INVALID DEVICE ID / NOT A CD OR DVD DRIVE";
inline constexpr const char* OperationAborted = "OPERATION ABORTED BY USER";
inline constexpr const char* CantOpenFile = "CAN'T OPEN FILE \"%s\" OR FILE IS IN USES BY OTHER SOFTWARE";
inline constexpr const char* CantCreateFile = "CAN'T CREATE FILE \"%s\"";
inline constexpr const char* InternalError0005 = "INTERNAL ERROR 0005";
// A source gave fewer bytes than the compilation lists for it (it shrank, or a read failed).
inline constexpr const char* CantReadFile = "CAN'T READ FILE \"%s\"";
// The image file refused bytes (disk full, size limit, I/O error) or failed to close.
inline constexpr const char* CantWriteFile = "CAN'T WRITE FILE \"%s\"";
// Both are followed by ": " and the operating system's reason.
// A source file of the compilation that is gone, or shorter than listed, when the job reaches it.
inline constexpr const char* SourceFileGone = "FILE \"%s\" NO LONGER EXISTS: IT WAS DELETED OR MOVED AFTER IT WAS ADDED";
inline constexpr const char* SourceFileShrank = "FILE \"%s\" SHRANK AFTER IT WAS ADDED";
// The image file named is a folder.
inline constexpr const char* OutputIsFolder = "CAN'T CREATE FILE \"%s\": IT IS A FOLDER";
// The data of a job did not add up to the size its layout announced.
inline constexpr const char* InternalError0006 = "INTERNAL ERROR 0006";
// A job entry was called while the engine's previous job still runs.
inline constexpr const char* JobAlreadyRunning = "ANOTHER JOB IS STILL RUNNING";
inline constexpr const char* StartingWriteProcess = "STARTING WRITE PROCESS ON %s AT %s";
inline constexpr const char* TestDummyWrite = "TEST/DUMMY WRITE";
inline constexpr const char* WriterBusy = "WRITER BUSY/BUFFER FULL";
inline constexpr const char* WriterError = "WRITER ERROR";
// A closing the drive refused, or did not finish in time, and what it left on the disc.
inline constexpr const char* CloseError = "CLOSE ERROR";
inline constexpr const char* TrackLeftOpen = "THE TRACK AND SESSION ARE LEFT OPEN";
inline constexpr const char* SessionLeftOpen = "THE SESSION IS LEFT OPEN";
inline constexpr const char* CloseNotDone = "NOT DONE AFTER %d MINUTES";
// A DVD+R of a DVD-Video image gets its lead-out although CloseDisc is off.
inline constexpr const char* FinalizingVideo = "DVD-VIDEO IMAGE: THE %s IS FINALIZED SO THAT PLAYERS CAN READ IT";
// The drive refused PREVENT MEDIUM REMOVAL: the job goes on with an unlocked tray.
inline constexpr const char* TrayNotLocked = "THE DRIVE DID NOT LOCK ITS TRAY: DO NOT OPEN IT UNTIL THE JOB ENDS";
inline constexpr const char* Unknown = "UNKNOWN";
// Erasing and formatting rewritable discs.
inline constexpr const char* StartingErase = "STARTING ERASE OF %s (%s)";
inline constexpr const char* EraseDone = "ERASE DONE";
inline constexpr const char* EraseError = "ERASE ERROR";
inline constexpr const char* EraseTimedOut = "ERASE TIMED OUT";
// Refused before any erase command: a disc that no erase can change.
inline constexpr const char* NotErasable = "A %s CANNOT BE ERASED: ONLY CD-RW, DVD-RW, DVD+RW AND DVD-RAM DISCS CAN";
// A drive cannot stop an erase it has begun: after an abort, a time-out or a lost drive the
// disc is left half erased.
inline constexpr const char* EraseUnfinished = "THE ERASE DID NOT FINISH: THE DISC CANNOT BE USED UNTIL IT IS ERASED AGAIN";
inline constexpr const char* DiscNotBlank = "THE DISC IS NOT BLANK: ERASE IT FIRST";
inline constexpr const char* FormattingForFirstUse = "FORMATTING %s FOR FIRST USE";
// Reading a disc and comparing it with an image.
inline constexpr const char* NoDisc = "NO DISC IN DRIVE";
inline constexpr const char* BlankDisc = "DISC IS BLANK: NOTHING TO READ";
inline constexpr const char* AudioDisc = "AUDIO CD: ONLY DATA DISCS CAN BE READ INTO AN IMAGE";
inline constexpr const char* ReaderError = "READER ERROR";
// A copy-protected DVD source: said before any of its sectors is read. Nothing is decrypted.
inline constexpr const char* EncryptedDisc = "THE DVD IS ENCRYPTED (CSS): TARNWICK CANNOT COPY ITS PROTECTED SECTORS";
inline constexpr const char* RegionLockedDisc =
    "THE DVD IS REGION-LOCKED TO REGIONS THE DRIVE IS NOT SET TO: TARNWICK CANNOT COPY ITS PROTECTED SECTORS";
inline constexpr const char* UnreadableSector = "UNREADABLE SECTOR %d";
inline constexpr const char* ReadingDisc = "READING %d SECTORS";
inline constexpr const char* SkippedRange = "UNREADABLE SECTORS %s WRITTEN AS ZEROS";
inline constexpr const char* SkippedWarning = "WARNING: %d UNREADABLE SECTORS WERE WRITTEN AS ZEROS";
inline constexpr const char* Verifying = "VERIFYING %d SECTORS";
inline constexpr const char* Verified = "VERIFIED %d SECTORS";
// The first differing sector, then how many differ.
inline constexpr const char* VerifyFailed = "VERIFY FAILED AT SECTOR %d (%s SECTORS DIFFER)";
// The end of every queued job: how often the writer found the queue empty, then how often the
// cache thread found it full.
inline constexpr const char* QueueCounts = "CACHE RAN EMPTY %d TIMES AND FULL %s TIMES";
// A write the drive keeps refusing as not ready or busy: the try, out of the tries allowed.
inline constexpr const char* WaitingForDrive = "WAITING FOR THE DRIVE, TRY %s";
// The machine gave no thread (or no memory for one) when a job started.
inline constexpr const char* NoJobThread = "NOT ENOUGH RESOURCES TO START THE JOB";

// A job's failure in the drive's own words: "WRITER ERROR [text]" and its kind.
std::string Bracketed(const char* what, const std::string& detail);
// The same, naming "NO DEVICE" where a drive that is gone left no words at all.
std::string BracketedOrNoDevice(const char* what, const std::string& detail);

// Fills one %d or %s of a message.
std::string Format(const char* pattern, long long value);
std::string Format(const char* pattern, const std::string& value);

} // namespace tarnwick::msg
