#pragma once
// Placeholder: filled in by the subsystem that owns it.

namespace kvx {

struct PlayOptionsState {};

}  // namespace kvx
