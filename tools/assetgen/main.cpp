// Writes the default data folder and the demo songs into the given folder
// (the folder of the built executable).
#include <cstdio>
#include <string>

#include "platform/files.h"

namespace {

bool WriteSearchDirFile(const std::string& data) {
  return kvx::WriteFileBytes(data + "/kvx_searchdir.txt", "<CURRENTDIR>/songs\r\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: kvx_assetgen OUTPUT_FOLDER\n");
    return 2;
  }
  std::string out = argv[1];
  std::string data = out + "/_kvxfiles";
  for (const char* sub : {"", "/jukelist", "/courselist", "/wav"}) kvx::MakeFolder(data + sub);
  kvx::MakeFolder(out + "/songs");
  if (!kvx::FileExists(data + "/kvx_searchdir.txt") && !WriteSearchDirFile(data)) {
    std::fprintf(stderr, "kvx_assetgen: cannot write %s\n", data.c_str());
    return 1;
  }
  return 0;
}
