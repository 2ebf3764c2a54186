#include "menu/menu_controls.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <type_traits>
#include <utility>

#include "app/game.h"
#include "app/startup.h"
#include "media/skin.h"
#include "media/sound.h"
#include "platform/text.h"

namespace kvx {

namespace {

// A check box bound to a setting: checked when it is not 0 (a Boolean's True);
// checking writes 1 (True), unchecking 0.
template <auto Field>
MenuCheckBox CheckBox(const char* name, const char* label, const char* tooltip) {
  using Value = std::remove_reference_t<decltype(std::declval<Settings&>().*Field)>;
  return {name, label, tooltip, [](const Settings& s) { return s.*Field != 0; },
          [](Settings& s, bool v) { s.*Field = static_cast<Value>(v ? 1 : 0); }};
}

// A drop-down list whose selected index plus `Offset` is the setting.
template <auto Field, int Offset>
MenuDropDown DropDown(const char* name, const char* caption, std::vector<const char*> entries, const char* tooltip) {
  using Value = std::remove_reference_t<decltype(std::declval<Settings&>().*Field)>;
  return {name,
          caption,
          std::move(entries),
          tooltip,
          [](const Settings& s) { return int(s.*Field) - Offset; },
          [](Settings& s, int i) { s.*Field = static_cast<Value>(i + Offset); }};
}

}  // namespace

const std::vector<MenuCheckBox>& MenuCheckBoxes() {
  static const std::vector<MenuCheckBox> boxes = {
      CheckBox<&Settings::ShowClearedOnList>(
          "chkClearList", "クリアした曲は文字色を変える",
          "Show the songs you have cleared in another text colour on the song list."),
      CheckBox<&Settings::CourseEffect>("chkcourseShowSBG", "コース曲変わり目エフェクト",
                                        "Show the stage picture when a course moves on to its next song."),
      CheckBox<&Settings::RealtimeStretch>("chkRealtimeStretch", "use another BGA Stretch Method ",
                                           "Stretch the background animation images (BGA) with another method."),
      CheckBox<&Settings::NOVSync>("chkNoWait", "NO VSYNC",
                                   "Do not wait for the monitor's vertical refresh before showing a frame."),
      CheckBox<&Settings::DirectBlt>("chkDirectBlt", "DirectBlt",
                                     "Copy each finished frame to the screen instead of flipping buffers."),
      CheckBox<&Settings::NOSMOOTHSCROLL>("chkNoSmooth", "曲リストをスムーズスクロールしない",
                                          "Move the song list in steps instead of scrolling it smoothly."),
      CheckBox<&Settings::ENDLESSMODE>("chkEndless", "Endlessモードは1P曲のみ",
                                       "Endless mode offers one-player (1P) charts only."),
      CheckBox<&Settings::DontStretch>("chkDontStretch", "拡大処理を無効にする",
                                       "Never enlarge images; show them at their own size."),
      CheckBox<&Settings::BMSPreview>("chkPreview", "BMS Preview 機能を有効にする",
                                      "Play a preview of the song under the cursor on the song list."),
      CheckBox<&Settings::BMPRelease>("chkBGARelease", "BGA逐次解放を有効にする",
                                      "Free background images as soon as a song no longer needs them (saves memory). "
                                      "Off at every start."),
      CheckBox<&Settings::ModernCharts>(
          "chkModernCharts", "Modern charts",
          "Read charts by today's BMS rules: base-36 ids, long notes, stops, extended tempo, #RANDOM, mines and "
          "Korean (EUC-KR) text. Unchecked, charts are read the classic way."),
      CheckBox<&Settings::TimingFeedback>(
          "chkTimingFeedback", "FAST/SLOW",
          "Show FAST or SLOW under each judgement other than FGREAT, and the FAST/SLOW counts with a histogram of "
          "your press timing on the result screen."),
      CheckBox<&Settings::TimingOffsetMs>("chkTimingOffsetMs", "FAST/SLOW ms",
                                          "Show how many milliseconds early (-) or late (+) each press was, beside "
                                          "FAST/SLOW."),
  };
  return boxes;
}

const std::vector<MenuDropDown>& MenuDropDowns() {
  static const std::vector<MenuDropDown> lists = {
      DropDown<&Settings::DRAWLIMIT, 1>(
          "cmbDrawLimit", "Draw limit", (std::vector<const char*>{"無制限(1)", "ちょっと制限(2)", "かなり制限(3)"}),
          "How much the play screen may draw: unlimited, some limit, or a strong limit for slow machines."),
      DropDown<&Settings::ScreenColors, 0>(
          "cmbScrColors", "Colours",
          (std::vector<const char*>{"8bit(256)", "16bit(65536)", "24bit(16777216)", "32bit(16777216)"}),
          "Colour depth of the full-screen mode. It has no effect in korvex: every screen is drawn in 32-bit "
          "colour, windowed or full screen. The choice is kept in the settings file."),
      DropDown<&Settings::CourseLoadMode, 0>(
          "cmbCourse", "Course loading", (std::vector<const char*>{"逐次読込", "曲ごと", "初回一括"}),
          "How the songs of a course are loaded: progressively, song by song, or all at the first song."),
      DropDown<&Settings::BMPLoadmode, 0>(
          "cmbBGAMode", "BGA loading", (std::vector<const char*>{"初回一括", "逐次読込"}),
          "Load a song's background images all before it starts, or progressively while it plays."),
      DropDown<&Settings::WAVLoadmode, 0>(
          "cmbWAVMode", "Sound loading", (std::vector<const char*>{"初回一括", "逐次読込"}),
          "Load a song's key sounds all before it starts, or progressively while it plays."),
      DropDown<&Settings::ScaleToFit, 0>(
          "cmbScaling", "Scaling", (std::vector<const char*>{"Whole factors", "Fit to window"}),
          "How the 640x480 picture fills a large window or the full screen: enlarged by whole factors only "
          "(sharp pixels), or to the full height or width at any factor (aspect kept, black bars beside)."),
  };
  return lists;
}

const std::vector<MenuSlider>& MenuSliders() {
  static const std::vector<MenuSlider> sliders = {
      {"sldVolumeMaster", "Master volume", "The volume of all sound, 0 to 100 %.", &Settings::VolumeMaster},
      {"sldVolumeKeys", "Key sounds", "The volume of the sounds of the notes you play.", &Settings::VolumeKeys},
      {"sldVolumeBackground", "Background", "The volume of a song's background sounds (its music).",
       &Settings::VolumeBackground},
      {"sldVolumeSystem", "System sounds", "The volume of the menu and result sounds.", &Settings::VolumeSystem},
  };
  return sliders;
}

const MenuCheckBox* FindMenuCheckBox(const std::string& name) {
  for (const auto& b : MenuCheckBoxes())
    if (name == b.name) return &b;
  return nullptr;
}

const MenuDropDown* FindMenuDropDown(const std::string& name) {
  for (const auto& l : MenuDropDowns())
    if (name == l.name) return &l;
  return nullptr;
}

std::string WaitFieldText(int32_t interval_ms) {
  char text[48];
  std::snprintf(text, sizeof text, "%.15g", interval_ms / 1000.0);
  return text;
}

std::string SkinEntryName(const Game& g, const std::string& path) {
  const std::string prefix = g.paths.data + "/";
  if (path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0) return path.substr(prefix.size());
  return path;
}

void LoadMenuControls(Game& g) {
  MenuState& m = g.menu;
  m.txtUserName = g.settings.MyName;
  m.txtHost = g.settings.LastHost;
  m.txtWait = WaitFieldText(g.settings.PreviewDelay);
  // Freeing images during play starts switched off in every run.
  g.settings.BMPRelease = 0;
  UpdateSkinList(g.Services(), g.skin, g.paths.data, g.settings.brd);
  m.skin_entries.clear();
  m.skin_selected = -1;
  const std::string current = ToUpperAscii(g.settings.brd);
  for (size_t i = 0; i < g.skin.SkinList.size(); ++i) {
    m.skin_entries.push_back(SkinEntryName(g, g.skin.SkinList[i]));
    if (ToUpperAscii(g.skin.SkinList[i]) == current) m.skin_selected = static_cast<int>(i);
  }
}

void SetMenuCheckBox(Game& g, const MenuCheckBox& box, bool checked) { box.set(g.settings, checked); }

void SetMenuDropDown(Game& g, const MenuDropDown& list, int index) {
  if (index < 0 || index >= static_cast<int>(list.entries.size())) return;
  list.set(g.settings, index);
}

void SetMenuSlider(Game& g, const MenuSlider& slider, int percent) {
  Settings& s = g.settings;
  s.*slider.field = std::clamp(percent, 0, 100);
  SetMixerVolumes(g.sound, s.VolumeMaster, s.VolumeKeys, s.VolumeBackground, s.VolumeSystem);
}

void SetMenuUserName(Game& g, const std::string& text) {
  g.menu.txtUserName = text;
  g.settings.MyName = text;
}

void SetMenuWait(Game& g, const std::string& text) {
  g.menu.txtWait = text;
  g.settings.PreviewDelay = PreviewIntervalFromWait(text);
}

void SetMenuSkin(Game& g, int index) {
  if (index < 0 || index >= static_cast<int>(g.skin.SkinList.size())) return;
  g.menu.skin_selected = index;
  g.settings.brd = g.skin.SkinList[index];
  g.skin.SkinIndex = static_cast<int16_t>(index);
}

}  // namespace kvx
