#pragma once
// The skin definition file (".brd") and the skin list.
//
// A skin names one image (loaded into DisplayState::SkinSurface, black is
// transparent) and places every piece of the play screen by rectangles in that
// image and positions on the 640x480 screen. Rectangles are left, top, right,
// bottom, right and bottom exclusive. The skin's bitmap font (CharWidth,
// CharHeight, GlyphRects) lives in DisplayState because the text routines own
// it; the loader fills it from "#SYSFONT".
//
// How the play screen uses the objects (the default skin follows this):
//   KeyDefs[ch] for a lane channel ch (11..19, 21..29):
//     [0] note object, [1] screen x of the lane, [3] key-beam object.
//     The lane's pressed-key picture is object [0] + 10, drawn at
//     (lane x, KeyPanelY of the side); the lane's piece of the judgement
//     line is object [0] + 20, drawn at (lane x, JudgeY - 5).
//   KeyDefs[10] / KeyDefs[20], the anchors of side 1 / side 2:
//     [0] the side's bar-line object, [1] the left x of the side's lanes.
//   JudgeY of a side = KeyPanelY of that side (the key panel hangs from the
//   judgement line). The progress marker is object 31, the bar pulse 32.
//   Long notes and mines take their own pictures per lane (#LNBODY,
//   #LNACTIVE, #LNEND, #MINE); without them a long note's body stretches the
//   lane's note picture and a mine is a red block.
// Object numbers outside 0..255 name no picture: use SkinObjRect/SkinObjWidth.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "media/display.h"
#include "platform/rect.h"

namespace kvx {

struct Services;

constexpr int kSkinTableSize = 256;
constexpr int kSkinMaxFrames = 1024;  // animation frames a skin may define

struct SkinLayout {
  uint8_t TileMode = 0;  // 0 none, 1 bouncing tiles, 2 "DELEY", 3 "SCROLL"
  int32_t GaugeStep = 0;
  std::array<Rect, 2> GaugeRects{};  // [0] bar, [1] background
  float GaugeUnit = 0;               // bar pixels per gauge percent
  Rect ExGaugeBgRect, ExGaugeRect;
  int32_t BgaX = 192, BgaY = 128, BgaWidth = 256, BgaHeight = 256;

  std::array<Rect, 4> JudgeRects{};  // POOR, BAD, GOOD, GREAT
  std::array<int32_t, 5> JudgeWidths{}, JudgeHeights{};  // [4] = FGREAT
  int32_t FGreatFrameCount = 0;
  std::vector<Rect> FGreatFrames;

  std::array<Rect, 10> GraphCells{};  // [b + a x 5]
  std::array<Rect, 5> JGraphCells{};
  Rect ClassRect;
  std::array<Rect, 7> ClassStrRects{};

  int32_t BombFrameCount = 0;
  std::vector<Rect> BombFrames;
  int32_t BombOffsetX = 0, BombOffsetY = 0;

  std::array<Rect, 10> NumRects{};
  int32_t NumAdvance = 0;
  std::array<int32_t, 2> PtsPosX{}, PtsPosY{};
  std::array<int32_t, 2> JPtsPosX{}, JPtsPosY{};
  int32_t NetJPtsPosX = 0, NetJPtsPosY = 0;
  std::array<Rect, 11> PtsNumRects{};
  int16_t PtsNumAdvance = 0;
  std::array<int32_t, 2> PerPosX{}, PerPosY{};
  std::array<Rect, 10> PerNumRects{};
  NumberFont PercentFont;
  Rect BgLineRect;

  std::array<int16_t, 2> KeyPanelObj{};
  std::array<int32_t, 2> KeyPanelX{}, KeyPanelY{};
  std::array<int16_t, 2> BasePanelObj{};
  std::array<int32_t, 2> BasePanelX{}, BasePanelY{};
  std::array<int32_t, 2> GaugePosX{}, GaugePosY{};
  std::array<int32_t, 2> JudgePosX{}, JudgePosY{};

  Rect NetNameRect;  // on the screen
  Rect MaxComboRect;
  Rect ComboGraphRect, ComboGraphRect2;
  int32_t ComboGraphWidth = 0;
  Rect NoMissRect;
  uint32_t NetNameColor = 0;  // 0xRRGGBB
  Rect NetTitleRect;          // on the screen
  uint32_t NetTitleColor = 0;
  int32_t NetGaugePosX = 0, NetGaugePosY = 0;
  int32_t BpmPosX = 0, BpmPosY = 0;
  int32_t NetPerPosX = 0, NetPerPosY = 0;
  Rect LenGraphRect;
  Rect NetBaseRect;

  // Pictures of the modern charts, per lane channel (index = channel - 11):
  // "#LNBODY ch,x,y,w,h" the body of a long note, stretched from its start to
  // its end; "#LNACTIVE ch,x,y,w,h" the body while it is held; "#LNEND
  // ch,x,y,w,h" the cap at its end; "#MINE ch,x,y,w,h" a mine.
  std::array<Rect, 19> LongBodyRects{}, LongActiveRects{}, LongEndRects{}, MineRects{};

  std::array<std::array<int32_t, 4>, kSkinTableSize> KeyDefs{};
  std::array<Rect, kSkinTableSize> ObjRects{};
  std::array<std::array<int32_t, 4>, kSkinTableSize> ObjSizes{};  // [1] h, [2] w, [3] h

  // Derived after the file is read.
  Rect LaneAreaRect;
  std::array<Rect, 94> MiniFontRects{};  // index = character code - 33
  Rect ScreenRect2{0, 0, 640, 480};

  bool Loading = false;  // set while a skin file is being read

  // The skin files found in the data folder (full paths) and the entry last chosen.
  std::vector<std::string> SkinList;
  int16_t SkinIndex = 0;
};

// Reads a skin file into `skin` (and the bitmap font into `display`) and loads
// its image into SkinSurface; false when the file is missing (nothing changes).
// The caller then recreates the surfaces (LoadRectData does both).
bool ReadSkinFile(const Services& services, SkinLayout& skin, DisplayState& display, const std::string& path);
// The reading itself, from the bytes of the skin file at `path` (its image is
// looked up beside it).
void ReadSkinText(const Services& services, SkinLayout& skin, DisplayState& display, const std::string& path,
                  std::string_view bytes);
// Rebuilds SkinList from the "*.brd" files of the data folder (sorted by name);
// SkinIndex becomes the entry of `chosen` (the brd setting).
void UpdateSkinList(const Services& services, SkinLayout& skin, const std::string& data_folder,
                    const std::string& chosen);
// The skin files of the skin list, in list order (full paths); F9 steps through them.
std::vector<std::string> SkinFileList(const SkinLayout& skin);

// Reads "keyword x,y,w,h" into rect (left x, top y, right x + w, bottom y + h).
// Fields are stored in that order; a missing or unusable argument stops there
// and returns false, leaving the remaining fields as they were.
bool ParseRect(Rect& rect, const std::string& line);

// The picture of an object number, or an empty rectangle when the number is
// outside the table.
Rect SkinObjRect(const SkinLayout& skin, int32_t object);
// Width of an object (ObjSizes field 2), 0 outside the table.
int32_t SkinObjWidth(const SkinLayout& skin, int32_t object);

}  // namespace kvx
