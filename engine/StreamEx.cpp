#include "engine/StreamEx.h"

namespace tarnwick {

int64_t TStreamEx::GetSize() {
    const int64_t pos = Seek(0, soFromCurrent);
    const int64_t size = Seek(0, soFromEnd);
    Seek(pos, soFromBeginning);
    return size;
}

void THandleStreamEx::SetSize(int64_t NewSize) {
    Seek(NewSize, soFromBeginning);
    if (!platform::FileSetEndOfFile(FHandle)) throw EFileStreamError(platform::LastErrorText());
}

int32_t THandleStreamEx::Read(void* Buffer, int32_t Count) {
    const int32_t n = platform::FileRead(FHandle, Buffer, Count);
    return n < 0 ? 0 : n;
}

int32_t THandleStreamEx::Write(const void* Buffer, int32_t Count) {
    const int32_t n = platform::FileWrite(FHandle, Buffer, Count);
    return n < 0 ? 0 : n;
}

int64_t THandleStreamEx::Seek(int64_t Offset, uint16_t Origin) {
    return platform::FileSeek(FHandle, Offset, Origin);
}

TFileStreamEx::TFileStreamEx(const std::string& FileName, uint16_t Mode)
    : THandleStreamEx(Mode == fmCreate ? platform::FileCreate(FileName) : platform::FileOpen(FileName, Mode)),
      FFileName(FileName) {
    if (FHandle == platform::kInvalidFileHandle) throw EFileStreamError(platform::LastErrorText());
}

TFileStreamEx::~TFileStreamEx() {
    if (FHandle >= 0) platform::FileClose(FHandle);
}

bool TFileStreamEx::Close() {
    if (FHandle < 0) return true;
    const bool ok = platform::FileClose(FHandle);
    FHandle = platform::kInvalidFileHandle;
    return ok;
}

} // namespace tarnwick
