#include "play/options.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "app/game.h"
#include "app/skin_loading.h"
#include "media/display.h"
#include "media/skin.h"
#include "media/sound.h"
#include "net/battle.h"
#include "platform/files.h"
#include "play/play_loop.h"
#include "play/play_loop_links.h"

namespace kvx {

namespace {

// Shows an option message and keeps it as the last option message.
void Say(Game& g, const std::string& text) {
  g.playopt.LastOptionMessage = text;
  ShowMessage(g, text);
}

bool Held(const Game& g, int code) { return code >= 0 && code < kKeyTableSize && g.app.ButtonState[code]; }

std::string OnOff(bool on) { return on ? "On" : "Off"; }

// Truncates to a multiple of step; the small bias keeps exact multiples that
// float arithmetic left a hair below the grid.
float TruncateToGrid(float value, float step) {
  return static_cast<float>(std::floor(value / step + 1e-4f)) * step;
}

void HiSpeedMessage(Game& g) {
  Say(g, "[4+1,2] HiSpeed: " + FormatIniSingle(g.settings.HiSpeed) + " (1:Down/2:Up)");
}
void RealHiSpeedMessage(Game& g, const std::string& prefix) {
  Say(g, prefix + " Real HiSpeed: " + FormatIniSingle(g.settings.RealHiSpeed) + " (1:Down/2:Up)");
}
void SleepMessage(Game& g) {
  Say(g, "[1,2] Sleep: " + std::to_string(g.settings.Sleep) + " (1:Down/2:Up)");
}

void ComboLinkedOn(Game& g) {
  g.settings.ComboLinkedHiSpeed = true;
  g.playopt.RandomSpeed = false;
  Say(g, "COMBO-LINKED HISPEED MODE!");
}

// After a play-speed step the tempo restarts from the chart's start BPM.
void ApplyPlaySpeed(Game& g) {
  if (g.app.GameState == Screen::Play) BPMChange(g, g.play.InitialBPM);
  g.playopt.OptionsChanged = true;
}

void NextSkin(Game& g) {
  std::vector<std::string> skins = SkinFileList(g.skin);
  if (skins.empty()) {
    Say(g, "Skin Change: no skin");
    return;
  }
  size_t next = 0;
  for (size_t i = 0; i < skins.size(); ++i) {
    if (skins[i] == g.settings.brd) {
      next = (i + 1) % skins.size();
      break;
    }
  }
  g.settings.brd = skins[next];
  LoadRectData(g, skins[next]);
  Say(g, "Skin Change: " + FileNameOf(skins[next]));
}

}  // namespace

void HiSpeedDown(Game& g) {
  float& hs = g.settings.HiSpeed;
  g.settings.ComboLinkedHiSpeed = false;
  if (hs <= 0.5f) {
    if (hs > 0) {
      hs = 0;
      g.playopt.RandomSpeed = true;
    }
  } else if (hs <= 2.0f) {
    hs = TruncateToGrid(hs - 0.25f, 0.25f);
    g.playopt.RandomSpeed = false;
  } else {
    hs = TruncateToGrid(hs - 0.5f, 0.5f);
    g.playopt.RandomSpeed = false;
  }
}

void HiSpeedUp(Game& g) {
  float& hs = g.settings.HiSpeed;
  g.settings.ComboLinkedHiSpeed = false;
  if (hs < 2.0f) hs = TruncateToGrid(hs + 0.25f, 0.25f);
  else hs = TruncateToGrid(hs + 0.5f, 0.5f);
  g.playopt.RandomSpeed = false;
}

void RealHiSpeedDown(Game& g) {
  if (g.settings.RealHiSpeed > 0.25f) g.settings.RealHiSpeed = TruncateToGrid(g.settings.RealHiSpeed - 0.25f, 0.25f);
  if (g.settings.RealHiSpeed < 0.25f) g.settings.RealHiSpeed = 0.25f;
  ApplyPlaySpeed(g);
}

void RealHiSpeedUp(Game& g) {
  if (g.settings.RealHiSpeed < 3.0f) g.settings.RealHiSpeed = TruncateToGrid(g.settings.RealHiSpeed + 0.25f, 0.25f);
  if (g.settings.RealHiSpeed > 3.0f) g.settings.RealHiSpeed = 3.0f;
  ApplyPlaySpeed(g);
}

void SleepDown(Game& g) {
  if (g.settings.Sleep > 0) g.settings.Sleep--;
}
void SleepUp(Game& g) {
  if (g.settings.Sleep < 15) g.settings.Sleep++;
}

void StartCourseEffect(Game& g, int kind) {
  if (kind < 0 || kind > 6) return;
  g.playopt.CourseEffect = static_cast<uint8_t>(kind);
  g.playopt.CourseEffectStart = g.NowMs();
}

void ProcessOptionKeys(Game& g, int16_t code) {
  Settings& s = g.settings;
  switch (code) {
    case 2:  // key 1
    case 3:  // key 2
    {
      const bool down = code == 2;
      const int other = down ? 3 : 2;
      if (Held(g, 5) && !Held(g, other)) {
        if (down) HiSpeedDown(g);
        else HiSpeedUp(g);
        HiSpeedMessage(g);
      } else if (Held(g, 5)) {
        ComboLinkedOn(g);
      } else if (Held(g, 4)) {
        if (down) RealHiSpeedDown(g);
        else RealHiSpeedUp(g);
        RealHiSpeedMessage(g, "[3+1,2]");
      } else {
        if (down) SleepDown(g);
        else SleepUp(g);
        SleepMessage(g);
      }
      PlaySE(g.sound, kSePtsCount);
      break;
    }
    case 4:
      RealHiSpeedMessage(g, "[3]");
      break;
    case 5:
      Say(g, "[4] HiSpeed: " + FormatIniSingle(s.HiSpeed) + " (1:Down/2:Up)");
      break;
    case 6:
      s.ShowBGA = !s.ShowBGA;
      s.NoBGA = !s.ShowBGA;
      Say(g, "[5] BGA: " + OnOff(s.ShowBGA));
      PlaySE(g.sound, kSePtsCount);
      break;
    case 65:  // F7
      s.BMSPreview = s.BMSPreview ? 0 : 1;
      g.play.QuitPlay = true;
      Say(g, "[F7] BMS Preview: " + OnOff(s.BMSPreview != 0));
      PlaySE(g.sound, kSePtsCount);
      break;
    case 66:  // F8
      s.DEMOMode = !s.DEMOMode;
      g.playopt.OptionsChanged = true;
      Say(g, "[F8] DEMO: " + OnOff(s.DEMOMode));
      PlaySE(g.sound, kSePtsCount);
      break;
    case 67:  // F9
      NextSkin(g);
      PlaySE(g.sound, kSePtsCount);
      break;
    case 68:  // F10
      SetEchoEffect(g.sound, !g.sound.EchoEffect);
      Say(g, std::string("EFFECT: ") + (g.sound.EchoEffect ? "ECHO" : "NONE"));
      PlaySE(g.sound, kSePtsCount);
      break;
    case 87:  // F11
      s.DRAWLIMIT = s.DRAWLIMIT >= 3 || s.DRAWLIMIT < 1 ? 1 : s.DRAWLIMIT + 1;
      Say(g, "Draw Limit : " + std::to_string(s.DRAWLIMIT));
      PlaySE(g.sound, kSePtsCount);
      break;
    case 73: {  // keypad 9: a random course effect 1..6
      const double r = std::uniform_real_distribution<double>(0.0, 1.0)(g.playopt.Rng);
      StartCourseEffect(g, static_cast<int>(std::nearbyint(5 * r)) + 1);
      break;
    }
    case 82: case 79: case 80: case 81: case 75: {  // keypad 0..4: attack that player
      static constexpr int16_t kKeypad[] = {82, 79, 80, 81, 75};
      const int player = static_cast<int>(std::find(std::begin(kKeypad), std::end(kKeypad), code) - kKeypad);
      if (NetworkBattle(g)) SendAttack(g, player);
      break;
    }
    default: break;
  }
}

bool ProcessSongSelectOptionKeys(Game& g, int16_t code) {
  Settings& s = g.settings;
  switch (code) {
    case 59:  // F1: none, Hidden, Sudden, Hidden + Sudden, Stealth
      if (s.Stealth) {
        s.Hidden = s.Sudden = s.Stealth = false;
      } else if (s.Hidden && s.Sudden) {
        s.Hidden = s.Sudden = false;
        s.Stealth = true;
      } else if (s.Sudden) {
        s.Hidden = true;
      } else if (s.Hidden) {
        s.Hidden = false;
        s.Sudden = true;
      } else {
        s.Hidden = true;
      }
      break;
    case 60:  // F2: none, random lanes, super shuffle
      if (g.playopt.SpShuffle) {
        g.playopt.SpShuffle = false;
        g.chart.RandomLanes = false;
      } else if (g.chart.RandomLanes) {
        g.chart.RandomLanes = false;
        g.playopt.SpShuffle = true;
      } else {
        g.chart.RandomLanes = true;
      }
      break;
    case 61:
      s.Accel = !s.Accel;
      break;
    case 62:
      s.Vexo = !s.Vexo;
      break;
    case 88:
      g.playopt.BreakOnBad = !g.playopt.BreakOnBad;
      break;
    default:
      return false;
  }
  PlaySE(g.sound, kSePtsCount);
  return true;
}

}  // namespace kvx
