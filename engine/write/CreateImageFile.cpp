// The compilation-to-image-file job entry (its own unit: it is the one entry that lays the
// compilation out and encodes its header).
#include "engine/JobState.h"
#include "engine/device/Messages.h"
#include "engine/image/CompilationMessages.h"
#include "engine/image/Layout.h"
#include "engine/write/CacheThread.h"
#include "engine/write/VornBurner.h"
#include "platform/Files.h"

namespace tarnwick {

namespace {

// An output that is one of the sources would be read while it is written (or, written
// beside it, hold the previous image): it is left out, as other mastering tools do.
void LeaveOutOutput(TVornBurner& e, const std::string& output) {
    platform::TFileId out;
    if (!platform::FileIdOf(output, out)) return; // a new file cannot be a source
    std::vector<TFEntry*> found;
    for (int32_t i = 0; i < e.Compilation().FileCount; ++i) {
        TFEntry* f = e.Compilation().FileTable[size_t(i)];
        platform::TFileId id;
        if (!IsDirectoryEntry(f) && !f->SourcePath.empty() && platform::FileIdOf(f->SourcePath, id) && id == out)
            found.push_back(f);
    }
    for (TFEntry* f : found) {
        const std::string source = f->SourcePath;
        for (int32_t d = 0; d < e.Compilation().DirCount; ++d) {
            TDEntry* dir = e.Compilation().DirTable[size_t(d)];
            TFEntry* c = dir->FirstChild;
            while (c && c != f) c = c->Next;
            if (!c) continue;
            e.RemoveEntry(dir, f);
            e.Compilation().NoteEntry(msg::Format(msg::OutputLeftOut, source));
            break;
        }
    }
}

} // namespace

int32_t TVornBurner::CreateImageFile(const std::string& FileName) {
    if (RefuseWhileRunning()) return -1;
    FJob.ClearAborts();
    // A folder cannot take the image: refused before anything is read or written.
    if (platform::DirectoryExists(FileName)) {
        EndAtEntry(TJobResultKind::Refused, msg::Format(msg::OutputIsFolder, FileName));
        return -1;
    }
    SetISOFileName(FileName);
    LeaveOutOutput(*this, FileName);
    FJobReadsCompilation = true;
    LayoutCompilation(true, nullptr);
    // The directory extents are encoded as the cache thread reaches them: held whole, they
    // would take a sector per directory and tree in memory for the length of the job.
    BeginImageHeader(true, nullptr);
    if (StartCache(TCacheThread::kMaxBlockBytes, std::string(), std::make_unique<TDirectoryEncoder>(FImage)))
        StartWriteThread(true);
    return -1;
}

} // namespace tarnwick
