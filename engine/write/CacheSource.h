#pragma once
// A source the cache thread can read a job's bytes from instead of files: for instance the
// sectors of a disc. It yields the job's bytes in order, whole sectors at a time.
#include <cstdint>
#include <functional>
#include <string>

namespace tarnwick {

class ICacheSource {
public:
    virtual ~ICacheSource() = default;
    // What the cache thread shows as its current file.
    virtual std::string Name() const = 0;
    // Fills Count bytes (whole sectors) at Dest with the next bytes of the job. False when the
    // job must end; Error then holds its text. Aborted is asked during every wait.
    virtual bool Read(uint8_t* Dest, int32_t Count, std::string& Error, const std::function<bool()>& Aborted) = 0;
};

} // namespace tarnwick
