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
MenuCheckBox CheckBox(const char* name, MenuText label, MenuText tooltip) {
  using Value = std::remove_reference_t<decltype(std::declval<Settings&>().*Field)>;
  return {name, label, tooltip, [](const Settings& s) { return s.*Field != 0; },
          [](Settings& s, bool v) { s.*Field = static_cast<Value>(v ? 1 : 0); }};
}

// A drop-down list whose selected index plus `Offset` is the setting.
template <auto Field, int Offset>
MenuDropDown DropDown(const char* name, MenuText caption, std::vector<MenuText> entries, MenuText tooltip) {
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
          &Texts::tip_clear_list),
      CheckBox<&Settings::CourseEffect>("chkcourseShowSBG", &Texts::chk_course_effect,
                                        &Texts::tip_course_effect),
      CheckBox<&Settings::RealtimeStretch>("chkRealtimeStretch", &Texts::chk_realtime_stretch,
                                           &Texts::tip_realtime_stretch),
      CheckBox<&Settings::NOVSync>("chkNoWait", &Texts::chk_no_vsync,
                                   &Texts::tip_no_vsync),
      CheckBox<&Settings::DirectBlt>("chkDirectBlt", &Texts::chk_direct_blt,
                                     &Texts::tip_direct_blt),
      CheckBox<&Settings::NOSMOOTHSCROLL>("chkNoSmooth", &Texts::chk_no_smooth,
                                          &Texts::tip_no_smooth),
      CheckBox<&Settings::ENDLESSMODE>("chkEndless", &Texts::chk_endless,
                                       &Texts::tip_endless),
      CheckBox<&Settings::DontStretch>("chkDontStretch", &Texts::chk_dont_stretch,
                                       &Texts::tip_dont_stretch),
      CheckBox<&Settings::BMSPreview>("chkPreview", &Texts::chk_preview,
                                      &Texts::tip_preview),
      CheckBox<&Settings::BMPRelease>("chkBGARelease", &Texts::chk_bga_release,
                                      &Texts::tip_bga_release),
      CheckBox<&Settings::ModernCharts>(
          "chkModernCharts", &Texts::chk_modern_charts,
          &Texts::tip_modern_charts),
      CheckBox<&Settings::TimingFeedback>(
          "chkTimingFeedback", &Texts::chk_timing_feedback,
          &Texts::tip_timing_feedback),
      CheckBox<&Settings::TimingOffsetMs>("chkTimingOffsetMs", &Texts::chk_timing_offset_ms,
                                          &Texts::tip_timing_offset_ms),
  };
  return boxes;
}

const std::vector<MenuDropDown>& MenuDropDowns() {
  static const std::vector<MenuDropDown> lists = {
      DropDown<&Settings::DRAWLIMIT, 1>(
          "cmbDrawLimit", &Texts::cmb_draw_limit,
          (std::vector<MenuText>{&Texts::draw_limit_none, &Texts::draw_limit_some, &Texts::draw_limit_strong}),
          &Texts::tip_draw_limit),
      DropDown<&Settings::ScreenColors, 0>(
          "cmbScrColors", &Texts::cmb_colours,
          (std::vector<MenuText>{&Texts::colours_8, &Texts::colours_16, &Texts::colours_24, &Texts::colours_32}),
          &Texts::tip_colours),
      DropDown<&Settings::CourseLoadMode, 0>(
          "cmbCourse", &Texts::cmb_course_loading,
          (std::vector<MenuText>{&Texts::loading_progressive, &Texts::loading_per_song, &Texts::loading_all_first}),
          &Texts::tip_course_loading),
      DropDown<&Settings::BMPLoadmode, 0>(
          "cmbBGAMode", &Texts::cmb_bga_loading, (std::vector<MenuText>{&Texts::loading_all_first, &Texts::loading_progressive}),
          &Texts::tip_bga_loading),
      DropDown<&Settings::WAVLoadmode, 0>(
          "cmbWAVMode", &Texts::cmb_sound_loading, (std::vector<MenuText>{&Texts::loading_all_first, &Texts::loading_progressive}),
          &Texts::tip_sound_loading),
      DropDown<&Settings::ScaleToFit, 0>(
          "cmbScaling", &Texts::cmb_scaling, (std::vector<MenuText>{&Texts::scaling_whole, &Texts::scaling_fit}),
          &Texts::tip_scaling),
  };
  return lists;
}

const std::vector<MenuSlider>& MenuSliders() {
  static const std::vector<MenuSlider> sliders = {
      {"sldVolumeMaster", &Texts::volume_master, &Texts::tip_volume_master, &Settings::VolumeMaster},
      {"sldVolumeKeys", &Texts::volume_keys, &Texts::tip_volume_keys, &Settings::VolumeKeys},
      {"sldVolumeBackground", &Texts::volume_background, &Texts::tip_volume_background,
       &Settings::VolumeBackground},
      {"sldVolumeSystem", &Texts::volume_system, &Texts::tip_volume_system, &Settings::VolumeSystem},
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
