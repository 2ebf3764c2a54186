#include "assets.h"

namespace assetgen {

bool WriteDefaultSkin(const std::string& data) { return true; }

}  // namespace assetgen
