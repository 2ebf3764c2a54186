// Stubs of media functions that other subsystems already call. The subsystem
// that owns a function removes its stub from here when it implements it.
#include "app/game.h"
#include "media/bga.h"
#include "media/input.h"
#include "media/surface.h"
#include "play/play_loop_links.h"

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

namespace kvx {

// Called by the main loop and the play loop; belong to the input devices.
void ReadKeyboardState(Game&, uint8_t keys[256]) {
  for (int i = 0; i < 256; ++i) keys[i] = 0;
}
uint32_t KeyPressTime(Game& g, int) { return g.NowMs(); }
int JoystickCount(Game&) { return 0; }
JoystickSnapshot ReadJoystick(Game&, int) { return {}; }
int16_t ssKeyCvt_Joy(Game&, int16_t code) { return code; }

// Called by the play loop (play_loop_links.h) and the play screen; belong to
// the background images.
void SetBgaImage(Game&, int, int32_t, bool) {}
void SetPoorImage(Game&, int32_t) {}
void ResetBgaLayers(Game&) {}
void ClearPendingImages(Game&) {}
void ReleaseChartImages(Game&) {}
void ComposeBga(Game&) {}
void DrawBgaWindow(Game&) {}

}  // namespace kvx
