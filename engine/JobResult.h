#pragma once
// How a job ended: a kind the front ends act on, and the job's text as OnWriteDone gives it.
// The kind is set where the end is decided (the abort, the comparison, the reader that
// skipped sectors), so no front end has to recognise a message to tell the ends apart.
#include <mutex>
#include <string>

namespace tarnwick {

enum class TJobResultKind {
    Success,
    Failed,          // the job stopped with an error
    Refused,         // refused before anything was read, written or sent to the disc
    Aborted,         // AbortWrite ended it
    VerifyMismatch,  // the disc was read back whole and differs from the image
    SkippedSectors,  // done, with unreadable sectors written as zeros
    EntriesChanged,  // image written, with entries left out or renamed
};

struct TJobResult {
    TJobResultKind Kind = TJobResultKind::Success;
    std::string Text; // the designed end text: empty when the job did all it was asked

    // The job did its work (possibly with something to note).
    bool Completed() const {
        return Kind == TJobResultKind::Success || Kind == TJobResultKind::SkippedSectors ||
               Kind == TJobResultKind::EntriesChanged;
    }
};

// The first error of a running job, with its kind: the cache, the writer and the recorder
// all put theirs here, and the first one stays.
class TJobError {
public:
    TJobError() = default;
    TJobError(const TJobError&) = delete;
    TJobError& operator=(const TJobError&) = delete;

    std::string Get() const {
        std::lock_guard lock(Mutex);
        return Text;
    }
    TJobResultKind Kind() const {
        std::lock_guard lock(Mutex);
        return FKind;
    }
    // Replaces what is there (the drive's failure over a stopping reader's).
    void Set(const std::string& v, TJobResultKind kind = TJobResultKind::Failed) {
        std::lock_guard lock(Mutex);
        Text = v;
        FKind = kind;
    }
    // Sets v only when no text is there yet; true when it did.
    bool SetIfEmpty(const std::string& v, TJobResultKind kind = TJobResultKind::Failed) {
        std::lock_guard lock(Mutex);
        if (!Text.empty()) return false;
        Text = v;
        FKind = kind;
        return true;
    }
    bool Empty() const {
        std::lock_guard lock(Mutex);
        return Text.empty();
    }
    // The error as a result; an empty text is a success (the job decides the finer kinds).
    TJobResult Result() const {
        std::lock_guard lock(Mutex);
        return Text.empty() ? TJobResult{} : TJobResult{FKind, Text};
    }

private:
    mutable std::mutex Mutex;
    std::string Text;
    TJobResultKind FKind = TJobResultKind::Failed;
};

} // namespace tarnwick
