#pragma once
// A CD-RW or sequential DVD-RW that already holds data: it cannot be burned again before it
// is erased. Shared by `burn --blank` and the window's question before a burn.
namespace tarnwick {
class TVornBurner;
}

namespace tarnwick::app {

// Asks the engine's selected drive (disc type, READ DISC INFORMATION's disc status). False
// when the drive does not answer: then the burn's own checks speak.
bool UsedRewritable(TVornBurner& engine);

} // namespace tarnwick::app
