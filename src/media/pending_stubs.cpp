// Stubs of media functions that other subsystems already call. The subsystem
// that owns a function removes its stub from here when it implements it.
#include "app/game.h"
#include "media/surface.h"

namespace kvx {

bool LoadSurfaceFromFile(Game&, Surface&, const std::string&, bool) { return false; }
bool CreateSurface(Game&, Surface&, int, int, bool) { return false; }
void ReleaseSurface(Surface& surface) { surface = Surface{}; }
void FillSurface(Game&, Surface&, const Rect*, uint32_t) {}
void BltClipped(Game&, Surface&, const Rect&, int, int, Surface&, const Rect&, int) {}
void BltStretch(Game&, Surface&, const Rect&, Surface&, const Rect&, int) {}

}  // namespace kvx
