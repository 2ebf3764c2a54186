// The skin file reader, fed the bytes of a skin file. The skin's folder does
// not exist, so an image it names is looked up and not found.
#include "fuzz_game.h"
#include "media/skin.h"

using namespace kvx;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto game = fuzz::MakeGame();
  Game& g = *game;
  ReadSkinText(g.Services(), g.skin, g.display, "/nonexistent-kvx-fuzz/_kvxfiles/fuzz.brd", fuzz::Bytes(data, size));
  const SkinLayout& s = g.skin;
  if (s.Loading) fuzz::Fail();
  if (s.FGreatFrameCount != static_cast<int32_t>(s.FGreatFrames.size()) || s.FGreatFrameCount > kSkinMaxFrames)
    fuzz::Fail();
  if (s.BombFrameCount != static_cast<int32_t>(s.BombFrames.size()) || s.BombFrameCount > kSkinMaxFrames)
    fuzz::Fail();
  // What the play screen asks of the layout: the objects of every lane.
  for (int ch = 0; ch < kSkinTableSize; ++ch) {
    SkinObjRect(s, s.KeyDefs[ch][0]);
    SkinObjWidth(s, s.KeyDefs[ch][3]);
  }
  return 0;
}
