#pragma once
// 64-bit file streams: image files and source files may be larger than 2 GB.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/Files.h"

namespace tarnwick {

// The one exception of the engine: a file the platform refused to open or create (and a
// failed SetSize). Its message is the platform's reason.
class EFileStreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum : uint16_t {
    fmCreate = 0xFFFF,
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareExclusive = 0x0010,
    fmShareDenyWrite = 0x0020,
    fmShareDenyRead = 0x0030,
    fmShareDenyNone = 0x0040,
};

enum : uint16_t { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

class TStreamEx {
public:
    virtual ~TStreamEx() = default;
    virtual void SetSize(int64_t NewSize) {}
    // Counts moved; 0 when the platform call failed.
    virtual int32_t Read(void* Buffer, int32_t Count) = 0;
    virtual int32_t Write(const void* Buffer, int32_t Count) = 0;
    // New position; a failed move reports no error (the position is then -1).
    virtual int64_t Seek(int64_t Offset, uint16_t Origin) = 0;
    // Size, leaving the position where it was.
    int64_t GetSize();
};

class THandleStreamEx : public TStreamEx {
public:
    explicit THandleStreamEx(platform::TFileHandle AHandle) : FHandle(AHandle) {}
    platform::TFileHandle Handle() const { return FHandle; }
    void SetSize(int64_t NewSize) override;
    int32_t Read(void* Buffer, int32_t Count) override;
    int32_t Write(const void* Buffer, int32_t Count) override;
    int64_t Seek(int64_t Offset, uint16_t Origin) override;
    // A hint that the stream will be read once from start to end.
    void AdviseSequential() { platform::FileAdviseSequential(FHandle); }

protected:
    platform::TFileHandle FHandle;
};

class TFileStreamEx : public THandleStreamEx {
public:
    // Mode fmCreate creates (replacing), any other value opens; throws EFileStreamError when
    // the platform refuses the file.
    TFileStreamEx(const std::string& FileName, uint16_t Mode);
    ~TFileStreamEx() override;
    TFileStreamEx(const TFileStreamEx&) = delete;
    TFileStreamEx& operator=(const TFileStreamEx&) = delete;
    const std::string& FileName() const { return FFileName; }
    // Closes now; false when the platform reported an error (late write errors show here).
    bool Close();

private:
    std::string FFileName;
};

} // namespace tarnwick
