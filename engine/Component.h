#pragma once
// The component base of the engine and the event types shared by its published interface.
#include <cstdint>
#include <functional>
#include <string>

namespace tarnwick {

class TComponent {
public:
    explicit TComponent(TComponent* owner = nullptr) : FOwner(owner) {}
    virtual ~TComponent() = default;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;
    TComponent* Owner() const { return FOwner; }

private:
    TComponent* FOwner;
};

using TDateTime = double; // days since 1899-12-30, local time

using TNotifyEvent = std::function<void(TComponent* Sender)>;
using TOnDebugMsg = std::function<void(TComponent* Sender, const std::string& Message, uint8_t mType)>;
using TDeviceChangedEvent = TNotifyEvent;
using TOnAddFile = std::function<void(TComponent* Sender, const std::string& FullPath, std::string& LongFileName,
                                      std::string& ShortFileName, TDateTime& DateTime, int32_t Attr,
                                      int64_t FileSize, bool& Skip)>;
using TOnAddDir =
    std::function<void(TComponent* Sender, std::string& LongName, std::string& ShortName, bool& Skip)>;
using TOnWriteDone = std::function<void(TComponent* Sender, const std::string& Error)>;

constexpr int kSectorSize = 2048;

} // namespace tarnwick
