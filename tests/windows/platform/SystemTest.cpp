// Settings, shell services, thread priorities and run-time libraries on Win32.
#include <gtest/gtest.h>

#include <thread>

#include "windows/support/TempFolder.h"
#include "platform/Files.h"
#include "platform/Library.h"
#include "platform/Profile.h"
#include "platform/Shell.h"
#include "platform/Threads.h"
#include "platform/Time.h"

using namespace platform;
using platform::win32::Widen;

namespace {

// A settings file of a unique bare name in the Windows folder, where a bare name is looked up.
class TWindowsFolderFile {
public:
    explicit TWindowsFolderFile(const std::string& bytes) {
        wchar_t dir[MAX_PATH + 1];
        UINT n = GetWindowsDirectoryW(dir, MAX_PATH + 1);
        Name = "tarnwick-test-" + std::to_string(GetCurrentProcessId()) + ".ini";
        Path = platform::win32::Narrow(std::wstring(dir, n)) + "\\" + Name;
        HANDLE h = CreateFileW(Widen(Path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD done;
        WriteFile(h, bytes.data(), DWORD(bytes.size()), &done, nullptr);
        CloseHandle(h);
    }
    ~TWindowsFolderFile() { DeleteFileW(Widen(Path).c_str()); }
    std::string Name, Path;
};

} // namespace

TEST(WindowsProfile, ABareNameIsReadFromTheWindowsFolder) {
    TWindowsFolderFile ini("[Other]\r\nCacheSize=1\r\n[Options]\r\nCloseDisc=1\r\ncachesize = 64 \r\nTestWrite=\r\n");
    EXPECT_EQ(ProfilePath(ini.Name), ini.Path);
    EXPECT_EQ(ReadProfileString(ini.Name, "Options", "CloseDisc"), "1");
    EXPECT_EQ(ReadProfileString(ini.Name, "OPTIONS", "CacheSize"), "64") << "names ignore case, values are trimmed";
    EXPECT_EQ(ReadProfileString(ini.Name, "Other", "CacheSize"), "1");
    EXPECT_EQ(ReadProfileString(ini.Name, "Options", "TestWrite"), "") << "present but empty";
    EXPECT_EQ(ReadProfileString(ini.Name, "Options", "JolietFS"), std::nullopt);
    EXPECT_EQ(ReadProfileString(ini.Name, "Missing", "CloseDisc"), std::nullopt);
    EXPECT_EQ(ReadProfileString("tarnwick-no-such-file.ini", "Options", "CloseDisc"), std::nullopt);
    EXPECT_EQ(ProfilePath("tarnwick-no-such-file.ini"), "");
}

TEST(WindowsProfile, UnicodeFilesAndFullPaths) {
    testing_win::TTempFolder dir;
    // UTF-16 little-endian with a byte-order mark, as Windows' own editors save INI files.
    std::wstring text = L"\uFEFF[Options]\r\nLabel=Ur\u00F6laub \u2713\r\n";
    std::string bytes(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    std::string path = dir.Write("settings.ini", bytes);
    EXPECT_EQ(ProfilePath(path), path) << "a path with a folder is taken as it is";
    EXPECT_EQ(ReadProfileString(path, "Options", "Label"), "Ur\xC3\xB6laub \xE2\x9C\x93");
}

TEST(WindowsProfile, OnlyFilesWithinTheBoundAreRead) {
    testing_win::TTempFolder dir;
    const std::string small = dir.Write("small.ini", "[Options]\r\nCloseDisc=1\r\n");
    EXPECT_EQ(ReadProfileString(small, "Options", "CloseDisc"), "1");
    // The same key at the start of a file larger than any settings file: not read at all.
    std::string big = "[Options]\r\nCloseDisc=1\r\n;";
    big.resize(kMaxProfileBytes + 1, 'x');
    const std::string large = dir.Write("large.ini", big);
    EXPECT_EQ(ReadProfileString(large, "Options", "CloseDisc"), std::nullopt);
    // A device is no settings file.
    EXPECT_EQ(ReadProfileString("\\\\.\\NUL", "Options", "CloseDisc"), std::nullopt);
    EXPECT_EQ(ReadProfileString(dir.Path() + "\\NUL", "Options", "CloseDisc"), std::nullopt);
}

TEST(WindowsShell, ProgramFolderHoldsTheRunningProgram) {
    std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '\\');
    EXPECT_TRUE(FileExists(folder + "\\test_windows_platform.exe")) << folder;
}

TEST(WindowsShell, HooksReceiveBeepsAndAddresses) {
    std::vector<unsigned> beeps;
    std::vector<std::string> urls;
    SetBeepHook([&](unsigned t) { beeps.push_back(t); });
    SetOpenURLHook([&](const std::string& u) { urls.push_back(u); });
    platform::MessageBeep(0);
    platform::MessageBeep(0x30);
    OpenURL("http://example.org/");
    SetBeepHook(nullptr);
    SetOpenURLHook(nullptr);
    EXPECT_EQ(beeps, (std::vector<unsigned>{0, 0x30}));
    EXPECT_EQ(urls, (std::vector<std::string>{"http://example.org/"}));
}

TEST(WindowsThreads, EveryPriorityReachesTheSystem) {
    const std::pair<TThreadPriority, int> levels[] = {
        {TThreadPriority::Idle, THREAD_PRIORITY_IDLE},
        {TThreadPriority::Lowest, THREAD_PRIORITY_LOWEST},
        {TThreadPriority::Lower, THREAD_PRIORITY_BELOW_NORMAL},
        {TThreadPriority::Normal, THREAD_PRIORITY_NORMAL},
        {TThreadPriority::Higher, THREAD_PRIORITY_ABOVE_NORMAL},
        {TThreadPriority::Highest, THREAD_PRIORITY_HIGHEST},
        {TThreadPriority::TimeCritical, THREAD_PRIORITY_TIME_CRITICAL},
    };
    // On a thread of its own, so the test runner's thread keeps its priority.
    std::thread([&] {
        for (auto [priority, expected] : levels) {
            SetCurrentThreadPriority(priority);
            EXPECT_EQ(GetThreadPriority(GetCurrentThread()), expected) << int(priority);
        }
    }).join();
}

TEST(WindowsLibrary, LoadsByNameAndFindsEntryPoints) {
    unsigned previous = platform::SetErrorMode(SEM_FAILCRITICALERRORS);
    EXPECT_EQ(platform::SetErrorMode(previous), SEM_FAILCRITICALERRORS) << "the mode set is the one returned next";

    TLibraryHandle kernel = LoadLibrary("KERNEL32.DLL");
    ASSERT_NE(kernel, 0u);
    EXPECT_NE(platform::GetProcAddress(kernel, "GetTickCount"), nullptr);
    EXPECT_EQ(platform::GetProcAddress(kernel, "SendASPI32Command"), nullptr);
    platform::FreeLibrary(kernel);
    EXPECT_EQ(LoadLibrary("tarnwick-no-such-library.dll"), 0u);
    EXPECT_EQ(LoadLibrary(""), 0u);
    EXPECT_EQ(platform::GetProcAddress(0, "GetTickCount"), nullptr);
}

TEST(WindowsLibrary, NamesAreResolvedAsTheSystemResolvesThem) {
    using Answer = int (*)();
    const std::string folder = TARNWICK_PLAIN_LIBRARY_DIR;
    // By its full path.
    TLibraryHandle byPath = LoadLibrary(folder + "\\tarnwick_plain.dll");
    ASSERT_NE(byPath, 0u);
    auto answer = reinterpret_cast<Answer>(platform::GetProcAddress(byPath, "TarnwickPlainAnswer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    platform::FreeLibrary(byPath);

    // Relative to the current folder, and nowhere else.
    wchar_t previous[MAX_PATH + 1];
    GetCurrentDirectoryW(MAX_PATH + 1, previous);
    EXPECT_EQ(LoadLibrary(".\\tarnwick_plain.dll"), 0u) << "not in the current folder yet";
    ASSERT_TRUE(SetCurrentDirectoryW(Widen(folder).c_str()));
    TLibraryHandle relative = LoadLibrary(".\\tarnwick_plain.dll");
    SetCurrentDirectoryW(previous);
    EXPECT_NE(relative, 0u);
    platform::FreeLibrary(relative);
}

TEST(WindowsTime, OverridesWinOverTheSystem) {
    OverrideTimeZoneBias(-60);
    EXPECT_EQ(TimeZoneBias(), -60);
    OverrideTimeZoneBias(std::nullopt);
    TIME_ZONE_INFORMATION tz;
    GetTimeZoneInformation(&tz);
    EXPECT_EQ(TimeZoneBias(), tz.Bias) << "the standard bias, without daylight saving";
}

TEST(WindowsTime, NowIsLocalTimeInDaysSince1899) {
    SYSTEMTIME before;
    GetLocalTime(&before);
    TDateTime now = Now();
    // 2000-01-01 is day 36526; the day count and the time of day must agree with the clock.
    SYSTEMTIME y2k{};
    y2k.wYear = 2000, y2k.wMonth = 1, y2k.wDay = 1;
    FILETIME a, b;
    SystemTimeToFileTime(&y2k, &a);
    SystemTimeToFileTime(&before, &b);
    const double days = double(((uint64_t(b.dwHighDateTime) << 32 | b.dwLowDateTime) -
                                (uint64_t(a.dwHighDateTime) << 32 | a.dwLowDateTime))) / 864e9;
    EXPECT_NEAR(now, 36526.0 + days, 5.0 / 86400) << "within five seconds";
    OverrideNow(40000.5);
    EXPECT_EQ(Now(), 40000.5);
    OverrideNow(std::nullopt);
}
