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
MenuCheckBox CheckBox(const char* name, MenuText label, const char* tooltip) {
  using Value = std::remove_reference_t<decltype(std::declval<Settings&>().*Field)>;
  return {name, label, tooltip, [](const Settings& s) { return s.*Field != 0; },
          [](Settings& s, bool v) { s.*Field = static_cast<Value>(v ? 1 : 0); }};
}

// A drop-down list whose selected index plus `Offset` is the setting.
template <auto Field, int Offset>
MenuDropDown DropDown(const char* name, MenuText caption, std::vector<MenuText> entries, const char* tooltip) {
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
          "chkClearList", &Texts::chk_clear_list,
          "Show the songs you have cleared in another text colour on the song list."),
      CheckBox<&Settings::CourseEffect>("chkcourseShowSBG", &Texts::chk_course_effect,
                                        "Show the stage picture when a course moves on to its next song."),
      CheckBox<&Settings::RealtimeStretch>("chkRealtimeStretch", &Texts::chk_realtime_stretch,
                                           "Stretch the background animation images (BGA) with another method."),
      CheckBox<&Settings::NOVSync>("chkNoWait", &Texts::chk_no_vsync,
                                   "Do not wait for the monitor's vertical refresh before showing a frame."),
      CheckBox<&Settings::DirectBlt>("chkDirectBlt", &Texts::chk_direct_blt,
                                     "Copy each finished frame to the screen instead of flipping buffers."),
      CheckBox<&Settings::NOSMOOTHSCROLL>("chkNoSmooth", &Texts::chk_no_smooth,
                                          "Move the song list in steps instead of scrolling it smoothly."),
      CheckBox<&Settings::ENDLESSMODE>("chkEndless", &Texts::chk_endless,
                                       "Endless mode offers one-player (1P) charts only."),
      CheckBox<&Settings::DontStretch>("chkDontStretch", &Texts::chk_dont_stretch,
                                       "Never enlarge images; show them at their own size."),
      CheckBox<&Settings::BMSPreview>("chkPreview", &Texts::chk_preview,
                                      "Play a preview of the song under the cursor on the song list."),
      CheckBox<&Settings::BMPRelease>("chkBGARelease", &Texts::chk_bga_release,
                                      "Free background images as soon as a song no longer needs them (saves memory). "
                                      "Off at every start."),
      CheckBox<&Settings::ModernCharts>(
          "chkModernCharts", &Texts::chk_modern_charts,
          "Read charts by today's BMS rules: base-36 ids, long notes, stops, extended tempo, #RANDOM, mines and "
          "Korean (EUC-KR) text. Unchecked, charts are read the classic way."),
      CheckBox<&Settings::TimingFeedback>(
          "chkTimingFeedback", &Texts::chk_timing_feedback,
          "Show FAST or SLOW under each judgement other than FGREAT, and the FAST/SLOW counts with a histogram of "
          "your press timing on the result screen."),
      CheckBox<&Settings::TimingOffsetMs>("chkTimingOffsetMs", &Texts::chk_timing_offset_ms,
                                          "Show how many milliseconds early (-) or late (+) each press was, beside "
                                          "FAST/SLOW."),
  };
  return boxes;
}

const std::vector<MenuDropDown>& MenuDropDowns() {
  static const std::vector<MenuDropDown> lists = {
      DropDown<&Settings::DRAWLIMIT, 1>(
          "cmbDrawLimit", &Texts::cmb_draw_limit,
          (std::vector<MenuText>{&Texts::draw_limit_none, &Texts::draw_limit_some, &Texts::draw_limit_strong}),
          "How much the play screen may draw: unlimited, some limit, or a strong limit for slow machines."),
      DropDown<&Settings::ScreenColors, 0>(
          "cmbScrColors", &Texts::cmb_colours,
          (std::vector<MenuText>{&Texts::colours_8, &Texts::colours_16, &Texts::colours_24, &Texts::colours_32}),
          "Colour depth of the full-screen mode. It has no effect in korvex: every screen is drawn in 32-bit "
          "colour, windowed or full screen. The choice is kept in the settings file."),
      DropDown<&Settings::CourseLoadMode, 0>(
          "cmbCourse", &Texts::cmb_course_loading,
          (std::vector<MenuText>{&Texts::loading_progressive, &Texts::loading_per_song, &Texts::loading_all_first}),
          "How the songs of a course are loaded: progressively, song by song, or all at the first song."),
      DropDown<&Settings::BMPLoadmode, 0>(
          "cmbBGAMode", &Texts::cmb_bga_loading, (std::vector<MenuText>{&Texts::loading_all_first, &Texts::loading_progressive}),
          "Load a song's background images all before it starts, or progressively while it plays."),
      DropDown<&Settings::WAVLoadmode, 0>(
          "cmbWAVMode", &Texts::cmb_sound_loading, (std::vector<MenuText>{&Texts::loading_all_first, &Texts::loading_progressive}),
          "Load a song's key sounds all before it starts, or progressively while it plays."),
      DropDown<&Settings::ScaleToFit, 0>(
          "cmbScaling", &Texts::cmb_scaling, (std::vector<MenuText>{&Texts::scaling_whole, &Texts::scaling_fit}),
          "How the 640x480 picture fills a large window or the full screen: enlarged by whole factors only "
          "(sharp pixels), or to the full height or width at any factor (aspect kept, black bars beside)."),
  };
  return lists;
}

const std::vector<MenuSlider>& MenuSliders() {
  static const std::vector<MenuSlider> sliders = {
      {"sldVolumeMaster", &Texts::volume_master, "The volume of all sound, 0 to 100 %.", &Settings::VolumeMaster},
      {"sldVolumeKeys", &Texts::volume_keys, "The volume of the sounds of the notes you play.", &Settings::VolumeKeys},
      {"sldVolumeBackground", &Texts::volume_background, "The volume of a song's background sounds (its music).",
       &Settings::VolumeBackground},
      {"sldVolumeSystem", &Texts::volume_system, "The volume of the menu and result sounds.", &Settings::VolumeSystem},
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

void SetMenuLanguage(Game& g, int index) {
  if (index < 0 || index >= static_cast<int>(Languages().size())) return;
  g.settings.Language = Languages()[index].code;
}

void SetMenuSkin(Game& g, int index) {
  if (index < 0 || index >= static_cast<int>(g.skin.SkinList.size())) return;
  g.menu.skin_selected = index;
  g.settings.brd = g.skin.SkinList[index];
  g.skin.SkinIndex = static_cast<int16_t>(index);
}

}  // namespace kvx
