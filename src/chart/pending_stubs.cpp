// Stubs of chart functions that other subsystems already call. The chart
// engineer removes a stub when implementing the function.
#include "app/game.h"
#include "chart/ready_bms.h"

namespace kvx {

// Called by BMSLoadCourse (chart engineer); belongs with ReadyBMS.
void LoadStageImage(Game&, const std::string&) {}

}  // namespace kvx

namespace kvx {

// Called by StartPlay and PreviewTick (play engineer).
void UnloadBMS(Game&) {}

}  // namespace kvx
