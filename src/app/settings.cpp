#include "app/settings.h"

// Values are UTF-8 bytes passed through as they are.
#define SI_NO_CONVERSION
#include <SimpleIni.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>
#include <variant>
#include <vector>

#include "app/debug_log.h"
#include "app/game.h"
#include "app/texts.h"
#include "chart/chart_text.h"
#include "platform/files.h"
#include "platform/text.h"

namespace kvx {

std::optional<bool> ParseIniBool(const std::string& raw) {
  std::string text = Trim(raw);
  if (EqualsNoCase(text, "True")) return true;
  if (EqualsNoCase(text, "False")) return false;
  if (auto number = ParseIniSingle(text)) return *number != 0.0f;
  return std::nullopt;
}

// Integer text, or decimal text rounded to nearest with halves to even.
std::optional<int32_t> ParseIniInt(const std::string& raw) {
  std::string text = Trim(raw);
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  double value = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0' || !std::isfinite(value)) return std::nullopt;
  double rounded = std::nearbyint(value);
  if (rounded < -2147483648.0 || rounded > 2147483647.0) return std::nullopt;
  return static_cast<int32_t>(rounded);
}

std::optional<uint8_t> ParseIniByte(const std::string& text) {
  auto value = ParseIniInt(text);
  if (!value || *value < 0 || *value > 255) return std::nullopt;
  return static_cast<uint8_t>(*value);
}

std::optional<float> ParseIniSingle(const std::string& raw) {
  std::string text = Trim(raw);
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  float value = std::strtof(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0' || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::string FormatIniBool(bool value) { return value ? "True" : "False"; }

std::string FormatIniSingle(float value) { return FormatSingle(value); }

std::string SettingsPath(const Game& game) { return game.paths.data + "/kvx_conf.ini"; }
std::string DefaultSkinPath(const Game& game) { return game.paths.data + "/kvx_scr.brd"; }

namespace {

using SettingRef = std::variant<bool*, int32_t*, uint8_t*, float*, std::string*>;

struct SettingKey {
  const char* section;
  const char* key;
  SettingRef target;
  std::optional<std::string> missing_default;  // nothing: an empty default
};

// Every key of the file in the order it is read.
std::vector<SettingKey> ReadOrder(Settings& s, const std::string& default_skin) {
  auto none = std::nullopt;
  return {
      {"Setting", "Sleep", &s.Sleep, none},
      {"Setting", "NoBGA", &s.NoBGA, none},
      {"Setting", "NoWAV", &s.NoWAV, none},
      {"Setting", "ShowObj", &s.ShowObj, none},
      {"Setting", "ShowBGA", &s.ShowBGA, none},
      {"Setting", "PlaySound", &s.PlaySound, none},
      {"Setting", "PlayKeySound", &s.PlayKeySound, none},
      {"Setting", "UserPlay", &s.UserPlay, none},
      {"Setting", "UserRec", &s.UserRec, none},
      {"Setting", "ShowRec", &s.ShowRec, none},
      {"Setting", "PlayRec", &s.PlayRec, none},
      {"Setting", "DEMOMode", &s.DEMOMode, none},
      {"Setting", "ShowVLine", &s.ShowVLine, none},
      {"Setting", "ShowGlid", &s.ShowGlid, none},
      {"Setting", "HiSpeed", &s.HiSpeed, none},
      {"Setting", "RealHiSpeed", &s.RealHiSpeed, none},
      {"Setting", "PolMode", &s.PolMode, none},
      {"Setting", "ShowGauge", &s.ShowGauge, none},
      {"NoteSetting", "Hidden", &s.Hidden, none},
      {"NoteSetting", "Sudden", &s.Sudden, none},
      {"NoteSetting", "Stealth", &s.Stealth, none},
      {"NoteSetting", "Reverse", &s.Reverse, none},
      {"NoteSetting", "Accel", &s.Accel, none},
      {"NoteSetting", "Vexo", &s.Vexo, none},
      {"Setting", "DontStretch", &s.DontStretch, "0"},
      {"NetSetting", "MyName", &s.MyName, "Default"},
      {"Setting", "ScreenColors", &s.ScreenColors, "1"},
      {"Setting", "WAVLoadmode", &s.WAVLoadmode, "0"},
      {"Setting", "BMPLoadmode", &s.BMPLoadmode, "0"},
      {"Setting", "BMPRelease", &s.BMPRelease, "0"},
      {"Setting", "BMSPreview", &s.BMSPreview, "1"},
      {"Setting", "CourseLoadMode", &s.CourseLoadMode, "1"},
      {"Setting", "NOVSync", &s.NOVSync, "0"},
      {"Setting", "Font", &s.Font, "ＭＳ Ｐゴシック"},
      {"Setting", "brd", &s.brd, default_skin},
      {"Setting", "DRAWLIMIT", &s.DRAWLIMIT, "1"},
      {"Setting", "ENDLESSMODE", &s.ENDLESSMODE, "1"},
      {"Setting", "NOSMOOTHSCROLL", &s.NOSMOOTHSCROLL, "0"},
      {"Setting", "DirectBlt", &s.DirectBlt, "0"},
      {"Setting", "JoyXYEnable", &s.JoyXYEnable, "0"},
      {"Setting", "WaitVBlank", &s.WaitVBlank, "True"},
      {"Setting", "RealtimeStretch", &s.RealtimeStretch, "False"},
      {"Setting", "CourseEffect", &s.CourseEffect, "True"},
      {"Setting", "ShowClearedOnList", &s.ShowClearedOnList, "True"},
      {"Setting", "PreviewDelay", &s.PreviewDelay, std::to_string(s.PreviewDelay)},
      {"Setting", "ModernCharts", &s.ModernCharts, "True"},
      {"Setting", "ModernKeyConfig", &s.ModernKeyConfig, "True"},
      {"NetSetting", "LastHost", &s.LastHost, ""},
      {"Setting", "AudioLatencyMs", &s.AudioLatencyMs, std::to_string(kDefaultAudioLatencyMs)},
      {"Setting", "JudgeOffsetMs", &s.JudgeOffsetMs, "0"},
      {"Setting", "VisualOffsetMs", &s.VisualOffsetMs, "0"},
      {"Setting", "ScaleToFit", &s.ScaleToFit, "False"},
      {"Setting", "TimingFeedback", &s.TimingFeedback, "True"},
      {"Setting", "TimingOffsetMs", &s.TimingOffsetMs, "False"},
      {"Setting", "VolumeMaster", &s.VolumeMaster, "100"},
      {"Setting", "VolumeKeys", &s.VolumeKeys, "100"},
      {"Setting", "VolumeBackground", &s.VolumeBackground, "100"},
      {"Setting", "VolumeSystem", &s.VolumeSystem, "100"},
      {"Setting", "Language", &s.Language, "ja"},
  };
}

// The values a number setting may take; one outside them is as invalid as
// text that does not convert.
struct NumberRange {
  const char* key;
  int32_t low, high;
};
constexpr NumberRange kNumberRanges[] = {
    {"Sleep", 0, 1000},      {"ScreenColors", 0, 3}, {"WAVLoadmode", 0, 1},    {"BMPLoadmode", 0, 1},
    {"BMPRelease", 0, 1},    {"BMSPreview", 0, 1},   {"CourseLoadMode", 0, 2}, {"DRAWLIMIT", 1, 3},
    {"ENDLESSMODE", 0, 1}};

bool InRange(const char* key, int64_t value) {
  for (const NumberRange& r : kNumberRanges)
    if (EqualsNoCase(key, r.key)) return value >= r.low && value <= r.high;
  return true;
}

// Converts text into the setting; false (and the setting unchanged) when the
// text does not convert or names a value the setting cannot take.
bool Assign(const SettingKey& entry, const std::string& text) {
  return std::visit(
      [&](auto* p) {
        using T = std::remove_pointer_t<decltype(p)>;
        std::optional<T> v;
        if constexpr (std::is_same_v<T, bool>) v = ParseIniBool(text);
        else if constexpr (std::is_same_v<T, int32_t>) v = ParseIniInt(text);
        else if constexpr (std::is_same_v<T, uint8_t>) v = ParseIniByte(text);
        else if constexpr (std::is_same_v<T, float>) v = ParseIniSingle(text);
        else v = text;
        if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool>)
          if (v && !InRange(entry.key, *v)) v.reset();
        if (v) *p = *v;
        return v.has_value();
      },
      entry.target);
}

// Copies the value of one setting into the same setting of another set.
void CopyValue(const SettingRef& from, const SettingRef& to) {
  std::visit(
      [&](auto* source) {
        using P = decltype(source);
        if (auto* const* dest = std::get_if<P>(&to)) **dest = *source;
      },
      from);
}

std::string Format(const SettingRef& target) {
  return std::visit(
      [](auto* p) -> std::string {
        using T = std::remove_pointer_t<decltype(p)>;
        if constexpr (std::is_same_v<T, bool>)
          return FormatIniBool(*p);
        else if constexpr (std::is_same_v<T, float>)
          return FormatIniSingle(*p);
        else if constexpr (std::is_same_v<T, std::string>)
          return *p;
        else
          return std::to_string(static_cast<int64_t>(*p));
      },
      target);
}

// Drops every line that opens a section without closing it on the same line,
// so that the keys after it stay in the section before it. SimpleIni skips
// such a line too, but files those keys under a section named by the broken
// line's text up to the next key, line break included; written back, that
// name makes a header the reader splits again, and each save adds a line.
std::string DropUnclosedSectionLines(const std::string& text) {
  std::string kept;
  kept.reserve(text.size());
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = std::min(text.find_first_of("\r\n", start), text.size());
    size_t next = end;
    if (next < text.size()) next += text.compare(next, 2, "\r\n") == 0 ? 2 : 1;
    const std::string_view line(text.data() + start, end - start);
    const size_t first = line.find_first_not_of(" \t");
    const bool unclosed = first != std::string_view::npos && line[first] == '[' &&
                          line.find(']', first) == std::string_view::npos;
    if (!unclosed) kept.append(text, start, next - start);
    start = next;
  }
  return kept;
}

bool ParseIni(std::string_view bytes, CSimpleIniA& ini) {
  ini.SetUnicode(true);
  std::string text = DropUnclosedSectionLines(DecodeText(bytes.substr(0, bytes.find('\0'))));
  return ini.LoadData(text.data(), text.size()) >= 0;
}

bool LoadIni(const std::string& file, CSimpleIniA& ini) {
  auto bytes = ReadTextFile(file);
  return bytes && ParseIni(*bytes, ini);
}

std::string CutValue(const char* value) {
  std::string text = value ? value : "";
  return Utf8Left(text, 127);
}

std::vector<SettingKey> ReadOrder(Game& g) { return ReadOrder(g.settings, DefaultSkinPath(g)); }

// Applies the missing-file column: only the entries listed there.
void ApplyMissingFileValues(Settings& s, const std::string& default_skin) {
  s.Sleep = 0;
  s.NoBGA = s.NoWAV = false;
  s.ShowObj = s.ShowBGA = s.PlaySound = true;
  s.PlayKeySound = false;
  s.UserPlay = true;
  s.UserRec = s.ShowRec = s.PlayRec = s.DEMOMode = s.ShowVLine = s.ShowGlid = false;
  s.HiSpeed = s.RealHiSpeed = 1.0f;
  s.PolMode = false;
  s.ShowGauge = true;
  s.Hidden = s.Sudden = s.Stealth = s.Reverse = s.Accel = s.Vexo = false;
  s.DontStretch = false;
  s.MyName = "Default";
  s.ScreenColors = 1;
  s.WAVLoadmode = s.BMPLoadmode = s.BMPRelease = 0;
  s.BMSPreview = 1;
  s.CourseLoadMode = 0;
  s.NOVSync = false;
  s.DRAWLIMIT = 1;
  s.ENDLESSMODE = 1;
  s.NOSMOOTHSCROLL = s.DirectBlt = s.JoyXYEnable = s.RealtimeStretch = false;
  s.CourseEffect = s.ShowClearedOnList = true;
  s.PreviewDelay = 500;
  s.ModernCharts = true;
  s.ModernKeyConfig = true;
  s.LastHost.clear();
  s.AudioLatencyMs = kDefaultAudioLatencyMs;
  s.JudgeOffsetMs = s.VisualOffsetMs = 0;
  s.ScaleToFit = false;
  s.TimingFeedback = true;
  s.TimingOffsetMs = false;
  s.VolumeMaster = s.VolumeKeys = s.VolumeBackground = s.VolumeSystem = 100;
  s.Language = "ja";
  s.brd = default_skin;
}

// The values the variables hold before the file is read: zero, false and empty,
// but for the font face and the preview interval, which come from the window.
void ResetToStartupValues(Game& g) {
  for (const auto& entry : ReadOrder(g)) {
    if (EqualsNoCase(entry.key, "Font") || EqualsNoCase(entry.key, "PreviewDelay")) continue;
    std::visit(
        [](auto* p) {
          using T = std::remove_pointer_t<decltype(p)>;
          *p = T{};
        },
        entry.target);
  }
}

void ApplyWindowGeometry(Game& g, CSimpleIniA& ini) {
  auto get = [&](const char* key) { return ParseIniSingle(CutValue(ini.GetValue("MainForm", key, ""))); };
  auto left = get("Left"), top = get("Top"), width = get("Width"), height = get("Height");
  if (left && top && width && height) {
    g.window.Left = *left;
    g.window.Top = *top;
    g.window.Width = *width;
    g.window.Height = *height;
    g.window.applied = true;
  }
  if (auto state = ParseIniInt(CutValue(ini.GetValue("MainForm", "WindowState", ""))))
    g.window.WindowState = *state;
}

// A play speed of 0 (a file without the key), a negative one or one that is
// not a number would stop the play clock for good: such a file plays at 1.0.
// Values beyond the option's steps are brought back to 0.25..3.0.
void KeepPlaySpeedInRange(Game& g) {
  float& speed = g.settings.RealHiSpeed;
  if (std::isfinite(speed) && speed >= 0.25f && speed <= 3.0f) return;
  const float kept = !std::isfinite(speed) || speed <= 0 ? 1.0f : std::clamp(speed, 0.25f, 3.0f);
  DebugLog(g, "[LoadSettings] RealHiSpeed " + FormatIniSingle(speed) + " is out of range; using " +
                  FormatIniSingle(kept));
  speed = kept;
}

// Offsets beyond half a second and a negative or huge sound buffer are typing
// mistakes: they are brought into range with a log line.
void KeepTimingInRange(Game& g) {
  Settings& s = g.settings;
  auto keep = [&](const char* key, int32_t& value, int32_t low, int32_t high) {
    const int32_t kept = std::clamp(value, low, high);
    if (kept == value) return;
    DebugLog(g, std::string("[LoadSettings] ") + key + " " + std::to_string(value) + " is out of range; using " +
                    std::to_string(kept));
    value = kept;
  };
  keep("JudgeOffsetMs", s.JudgeOffsetMs, -kMaxOffsetMs, kMaxOffsetMs);
  keep("VisualOffsetMs", s.VisualOffsetMs, -kMaxOffsetMs, kMaxOffsetMs);
  keep("AudioLatencyMs", s.AudioLatencyMs, 0, 1000);
}

// The language is one that has a table (its code in any case); any other
// value, or none, is the default language.
void KeepLanguageKnown(Game& g) {
  std::string& code = g.settings.Language;
  for (const Language& l : Languages())
    if (EqualsNoCase(code, l.code)) {
      code = l.code;
      return;
    }
  code = Languages()[0].code;
}

// Volumes are percentages; anything else is brought into 0..100.
void KeepVolumesInRange(Game& g) {
  Settings& s = g.settings;
  for (int32_t* v : {&s.VolumeMaster, &s.VolumeKeys, &s.VolumeBackground, &s.VolumeSystem}) *v = std::clamp(*v, 0, 100);
}

// Reads every key. A key that is missing or does not hold a value it can
// take gets its own default text, or, when it has none, the value of a new
// settings file (so a trimmed or damaged file never turns the notes or the
// sound off); one log line names the keys so repaired.
void ReadKeys(Game& g, CSimpleIniA& ini) {
  Settings fresh = g.settings;
  ApplyMissingFileValues(fresh, DefaultSkinPath(g));
  const std::vector<SettingKey> order = ReadOrder(g);
  const std::vector<SettingKey> fresh_order = ReadOrder(fresh, DefaultSkinPath(g));
  std::string repaired;
  for (size_t i = 0; i < order.size(); ++i) {
    const SettingKey& entry = order[i];
    const char* value = ini.GetValue(entry.section, entry.key, nullptr);
    if (value && Assign(entry, CutValue(value))) continue;
    repaired += std::string(repaired.empty() ? "" : ", ") + entry.key;
    if (!entry.missing_default || !Assign(entry, *entry.missing_default)) CopyValue(fresh_order[i].target, entry.target);
  }
  if (!repaired.empty()) DebugLog(g, "[LoadSettings] missing or invalid keys set to their defaults: " + repaired);
}

}  // namespace

std::string GetIniString(const std::string& file, const std::string& section, const std::string& key,
                         const std::string& fallback) {
  CSimpleIniA ini;
  if (!LoadIni(file, ini)) return Utf8Left(fallback, 127);
  return CutValue(ini.GetValue(section.c_str(), key.c_str(), fallback.c_str()));
}

void LoadSettings(Game& g) {
  const std::string file = SettingsPath(g);
  std::optional<std::string> bytes;
  if (FileExists(file)) bytes = ReadTextFile(file);
  LoadSettingsBytes(g, bytes);
}

void LoadSettingsBytes(Game& g, const std::optional<std::string>& bytes) {
  CSimpleIniA ini;
  if (!bytes || !ParseIni(*bytes, ini)) {
    ApplyMissingFileValues(g.settings, DefaultSkinPath(g));
  } else {
    ResetToStartupValues(g);
    ReadKeys(g, ini);
    ApplyWindowGeometry(g, ini);
  }
  g.settings.ComboLinkedHiSpeed = g.settings.HiSpeed == 0.0f;
  KeepPlaySpeedInRange(g);
  KeepTimingInRange(g);
  KeepVolumesInRange(g);
  KeepLanguageKnown(g);
}

void SaveSettings(Game& g) {
  // --autoplay lasts for this run only: the file keeps the player's demo mode.
  const bool demo = g.settings.DEMOMode;
  if (g.app.DemoForced) g.settings.DEMOMode = g.app.DEMOModeSaved;
  const std::string file = SettingsPath(g);
  std::optional<std::string> old;
  if (FileExists(file)) old = ReadTextFile(file);
  std::string out;
  std::string error;
  if (!EncodeSettings(g, old, out) || !WriteFileSafely(file, out, false, &error))
    DebugLog(g, "Error: Can't write the settings file: " + file + " (" + error + ")");
  g.settings.DEMOMode = demo;
}

namespace {

// One pass of the writer: the old file's text with the settings put in.
bool EncodeOnce(Game& g, const std::optional<std::string>& old, std::string& out) {
  CSimpleIniA ini;
  ini.SetUnicode(true);
  ini.SetSpaces(false);  // key=value, as the Windows INI writer does
  if (old) ParseIni(*old, ini);
  // The stored geometry is that of the normal (restored) window.
  ini.SetValue("MainForm", "Left", FormatIniSingle(g.window.Left).c_str());
  ini.SetValue("MainForm", "Top", FormatIniSingle(g.window.Top).c_str());
  ini.SetValue("MainForm", "Width", FormatIniSingle(g.window.Width).c_str());
  ini.SetValue("MainForm", "Height", FormatIniSingle(g.window.Height).c_str());
  ini.SetValue("MainForm", "WindowState", std::to_string(g.window.WindowState).c_str());
  std::vector<SettingKey> order = ReadOrder(g);
  // Write order: as read, but MyName after PolMode and DrawLimit's own spelling.
  auto find = [&](const char* key) {
    for (auto& e : order)
      if (EqualsNoCase(e.key, key)) return e;
    return order.front();
  };
  static const char* kWriteOrder[] = {
      "Sleep", "NoBGA", "NoWAV", "ShowObj", "ShowBGA", "PlaySound", "PlayKeySound", "UserPlay", "UserRec",
      "ShowRec", "PlayRec", "DEMOMode", "ShowVLine", "ShowGlid", "HiSpeed", "RealHiSpeed", "PolMode",
      "MyName", "ShowGauge", "Hidden", "Sudden", "Stealth", "Reverse", "Accel", "Vexo", "DontStretch",
      "ScreenColors", "WAVLoadmode", "BMPLoadmode", "BMPRelease", "BMSPreview", "CourseLoadMode", "NOVSync",
      "Font", "brd", "DRAWLIMIT", "ENDLESSMODE", "NOSMOOTHSCROLL", "DirectBlt", "WaitVBlank", "JoyXYEnable",
      "RealtimeStretch", "CourseEffect", "ShowClearedOnList", "PreviewDelay", "ModernCharts", "ModernKeyConfig",
      "AudioLatencyMs",
      "JudgeOffsetMs", "VisualOffsetMs", "ScaleToFit", "TimingFeedback", "TimingOffsetMs", "VolumeMaster",
      "VolumeKeys", "VolumeBackground", "VolumeSystem", "Language", "LastHost"};
  for (const char* key : kWriteOrder) {
    SettingKey entry = find(key);
    const char* name = EqualsNoCase(key, "DRAWLIMIT") ? "DrawLimit" : entry.key;
    // An existing key keeps its own spelling; SimpleIni matches without case.
    ini.SetValue(entry.section, name, Format(entry.target).c_str());
  }
  out.clear();
  if (ini.Save(out) < 0) return false;
  // A nameless section without keys ("[]" alone) is written as blank lines
  // before the first section; read back they are gone, so the file would
  // change on every save. The text starts at its first line with content.
  out.erase(0, std::min(out.size(), out.find_first_not_of("\r\n")));
  return true;
}

}  // namespace

// SimpleIni tidies some text on reading (where a comment belongs, blank lines
// around it), so a first pass over a hand-edited file may not read back as
// itself; a second pass over the first one's text gives what every later save
// gives, so saving with nothing changed never changes the file.
bool EncodeSettings(Game& g, const std::optional<std::string>& old, std::string& out) {
  std::string first;
  return EncodeOnce(g, old, first) && EncodeOnce(g, first, out);
}

}  // namespace kvx
