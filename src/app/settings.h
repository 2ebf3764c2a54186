#pragma once
// The settings file "_kvxfiles/kvx_conf.ini" and the setting variables, named
// after their keys. Every Part reads these directly.
#include <cstdint>
#include <optional>
#include <string>

namespace kvx {

struct Game;

// Geometry of the game window in twips, as stored under [MainForm].
struct WindowGeometry {
  float Left = 0, Top = 0, Width = 9600, Height = 7200;  // 640x480 at 15 twips per pixel
  int32_t WindowState = 0;                              // 0 normal, 1 minimised, 2 maximised
  bool applied = false;  // LoadSettings moved the window to the stored values
};

constexpr int32_t kDefaultAudioLatencyMs = 12;
constexpr int32_t kMaxOffsetMs = 500;

struct Settings {
  int32_t Sleep = 0;
  bool NoBGA = false;
  bool NoWAV = false;
  bool ShowObj = true;
  bool ShowBGA = true;
  bool PlaySound = true;
  bool PlayKeySound = false;
  bool UserPlay = true;
  bool UserRec = false;
  bool ShowRec = false;
  bool PlayRec = false;
  bool DEMOMode = false;
  bool ShowVLine = false;
  bool ShowGlid = false;
  float HiSpeed = 1.0f;
  float RealHiSpeed = 1.0f;
  bool PolMode = false;
  bool ShowGauge = true;
  bool Hidden = false, Sudden = false, Stealth = false, Reverse = false, Accel = false, Vexo = false;
  bool DontStretch = false;
  std::string MyName = "Default";
  uint8_t ScreenColors = 1;
  int32_t WAVLoadmode = 0;
  int32_t BMPLoadmode = 0;
  int32_t BMPRelease = 0;
  uint8_t BMSPreview = 1;
  int32_t CourseLoadMode = 0;
  bool NOVSync = false;
  std::string Font = "ＭＳ Ｐゴシック";
  std::string brd;
  uint8_t DRAWLIMIT = 1;
  uint8_t ENDLESSMODE = 1;
  bool NOSMOOTHSCROLL = false;
  bool DirectBlt = false;
  bool JoyXYEnable = false;
  bool WaitVBlank = true;
  bool RealtimeStretch = false;
  bool CourseEffect = true;
  bool ShowClearedOnList = true;
  // Interval of the song-select preview timer; written as PreviewDelay.
  int32_t PreviewDelay = 500;
  // Read charts by the rules of today's charts (base-36 ids, long notes,
  // stops, extended tempo, #RANDOM, mines, EUC-KR text). On in a new settings
  // file; off here so that tools and tests without a settings file read charts
  // by the classic rules.
  bool ModernCharts = false;
  // The key configuration window binds a pressed key in place of the row's
  // keys (with Shift held: beside them) and lets every key be bound; off, a
  // press adds the key and the keys 1 / 2 move the selection. On in a new
  // settings file.
  bool ModernKeyConfig = false;
  std::string LastHost;  // the address last joined in a network battle
  // The sound device's buffer in ms (update periods of about a third of it);
  // 0 leaves the device's own sizes.
  int32_t AudioLatencyMs = kDefaultAudioLatencyMs;
  // The player's own setup: presses are judged JudgeOffsetMs earlier (a
  // positive value for late sound or input), notes reach the judgement line
  // VisualOffsetMs later. Both within +-kMaxOffsetMs.
  int32_t JudgeOffsetMs = 0;
  int32_t VisualOffsetMs = 0;
  // The picture fills the window at any factor (aspect kept, letterboxed)
  // instead of whole factors only.
  bool ScaleToFit = false;
  // FAST/SLOW beside the judgements and the offsets histogram on the result
  // screen; the offset in ms beside FAST/SLOW. On in a new settings file.
  bool TimingFeedback = false;
  bool TimingOffsetMs = false;
  // Volumes in percent (0..100): all sound, key sounds, background sounds, system sounds.
  int32_t VolumeMaster = 100, VolumeKeys = 100, VolumeBackground = 100, VolumeSystem = 100;
  // The language of the texts on screen: "ja" (the classic texts) or "en".
  std::string Language = "ja";
  // Set by LoadSettings when HiSpeed is exactly 0.
  bool ComboLinkedHiSpeed = false;
};

// Conversions of the INI text; nothing when the text does not convert.
std::optional<bool> ParseIniBool(const std::string& text);
std::optional<int32_t> ParseIniInt(const std::string& text);
std::optional<uint8_t> ParseIniByte(const std::string& text);
std::optional<float> ParseIniSingle(const std::string& text);
std::string FormatIniBool(bool value);
// Shortest decimal text that reads back to the same float ("1", "1.5", "0.25").
std::string FormatIniSingle(float value);

std::string SettingsPath(const Game& game);
std::string DefaultSkinPath(const Game& game);
// Value text of a key, or `fallback` when missing, cut to 127 characters.
std::string GetIniString(const std::string& file, const std::string& section, const std::string& key,
                         const std::string& fallback);
void LoadSettings(Game& game);
// The reading itself, from the bytes of the settings file (nothing: the file
// is missing or unreadable).
void LoadSettingsBytes(Game& game, const std::optional<std::string>& bytes);
void SaveSettings(Game& game);
// The bytes SaveSettings writes over the file that held `old`; false when
// they cannot be made.
bool EncodeSettings(Game& game, const std::optional<std::string>& old, std::string& out);

}  // namespace kvx
