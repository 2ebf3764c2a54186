// Stubs of media functions that other subsystems already call. The subsystem
// that owns a function removes its stub from here when it implements it.
#include "app/game.h"
#include "media/surface.h"

namespace kvx {

// Called by ReleaseDirectX and PresentFrame (display engineer); belong to the input devices.
void ReleaseInput(Game&) {}
void PollJoysticks(Game&) {}
// Called by ReleaseDisplay (display engineer); belongs to the background images.
void ReleaseBgaSurfaces(Game&) {}

}  // namespace kvx

namespace kvx {

// Called by the chart reader and BMSInit (chart engineer).
void LoadCourseBmp(Game&, int, int) {}
void ClearImageLoadFlags(Game&) {}

}  // namespace kvx
