// The cache thread's path for a source other than files (a disc, for a 1:1 copy): the
// source fills each block; waiting, priorities and abort work as for files.
#include <algorithm>

#include "engine/JobState.h"
#include "engine/write/CacheSource.h"
#include "engine/write/CacheThread.h"

namespace tarnwick {

void TCacheThread::QueueReader() {
    CurrentFileName.Set(Reader->Name());
    const auto aborted = [this] { return AbortRequested.load() || JobState().AbortFlag.load(); };
    int64_t r = TotalBytes;
    while (r > 0) {
        Current = NewBlock();
        const int32_t c = int32_t(std::min<int64_t>(FBlockSize, r));
        std::string error;
        // A source gives up on its own at an abort: that end is the abort's.
        if (!Reader->Read(Current->Data, c, error, aborted))
            Fail(error, aborted() ? TJobResultKind::Aborted : TJobResultKind::Failed);
        Staged = c;
        Free = FBlockSize - c;
        Produced += c;
        if (AbortRequested) AbortCleanUp();
        const int32_t q = QueueCurrent();
        r -= c;
        SetLevel(q < FMaxBlocks / 4 ? 3 : q < FMaxBlocks / 2 ? 2 : 1);
        WaitWhileFull(true);
    }
}

} // namespace tarnwick
