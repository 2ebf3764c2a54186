// Writes the default data folder and the demo songs into the given folder
// (the folder of the built executable), or with --icons the application
// icons into the given hicolor folder. Everything is generated here.
#include <cstdio>
#include <string>

#include "assets.h"
#include "platform/files.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: kvx_assetgen OUTPUT_FOLDER | kvx_assetgen --icons HICOLOR_FOLDER\n");
    return 2;
  }
  if (std::string(argv[1]) == "--icons") return argc == 3 && assetgen::WriteIcons(argv[2]) ? 0 : 1;
  std::string out = argv[1];
  std::string data = out + "/_kvxfiles";
  for (const char* sub : {"", "/jukelist", "/courselist", "/wav"}) kvx::MakeFolder(data + sub);
  kvx::MakeFolder(out + "/songs");
  bool ok = true;
  if (!kvx::FileExists(data + "/kvx_searchdir.txt"))
    ok &= kvx::WriteFileBytes(data + "/kvx_searchdir.txt", "<CURRENTDIR>/songs\r\n");
  ok &= assetgen::WriteSystemSounds(data);
  ok &= assetgen::WriteDefaultSkin(data);
  ok &= assetgen::WriteFixedImages(data);
  ok &= assetgen::WriteDemoSongs(out + "/songs");
  ok &= assetgen::WriteDemoCourse(data, out);
  return ok ? 0 : 1;
}
