#include "assets.h"

namespace assetgen {

bool WriteSystemSounds(const std::string& data) { return true; }

}  // namespace assetgen
