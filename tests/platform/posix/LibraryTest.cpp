// Windows library names mapped to shared objects, and the loader's error-mode bookkeeping.
#ifdef __linux__
#include <gtest/gtest.h>

#include "platform/Library.h"

using namespace platform;

TEST(LibraryNames, MapToSharedObjectsKeepingTheFolder) {
    EXPECT_EQ(SharedObjectName("WNASPI32.DLL"), "libwnaspi32.so");
    EXPECT_EQ(SharedObjectName(".\\WNASPI32.DLL"), "./libwnaspi32.so");
    EXPECT_EQ(SharedObjectName("/opt/My Aspi/WNASPI32.DLL"), "/opt/My Aspi/libwnaspi32.so");
    EXPECT_EQ(SharedObjectName("C:\\Drivers\\WnAspi32.dll"), "C:/Drivers/libwnaspi32.so");
    EXPECT_EQ(SharedObjectName("libfoo.dll"), "libfoo.so");
    EXPECT_EQ(SharedObjectName("/usr/lib/libc.so.6"), "/usr/lib/libc.so.6");
}

TEST(LibraryLoading, AbsentLibrariesGiveNoHandle) {
    EXPECT_EQ(LoadLibrary(""), 0u);
    EXPECT_EQ(LoadLibrary("/nonexistent/folder/WNASPI32.DLL"), 0u);
    EXPECT_EQ(GetProcAddress(0, "SendASPI32Command"), nullptr);
}

TEST(LibraryLoading, EntryPointsAreFoundByName) {
    TLibraryHandle libc = LoadLibrary("libc.so.6");
    ASSERT_NE(libc, 0u);
    EXPECT_NE(GetProcAddress(libc, "strlen"), nullptr);
    EXPECT_EQ(GetProcAddress(libc, "NoSuchEntryPoint"), nullptr);
    FreeLibrary(libc);
}

TEST(LibraryLoading, ErrorModeReturnsThePreviousMode) {
    const unsigned start = SetErrorMode(SEM_FAILCRITICALERRORS);
    EXPECT_EQ(ErrorMode(), SEM_FAILCRITICALERRORS);
    EXPECT_EQ(SetErrorMode(start), SEM_FAILCRITICALERRORS);
    EXPECT_EQ(ErrorMode(), start);
}
#endif
