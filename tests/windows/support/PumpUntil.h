#pragma once
// Runs the calling thread's message loop in tests until a condition holds, bounded.
#include <windows.h>

// Dispatches the thread's messages until done() holds or timeoutMs has passed.
template <class TDone> bool PumpUntil(TDone done, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done()) {
        if (GetTickCount64() >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return true;
}
