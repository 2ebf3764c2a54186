#include "app/startup.h"

#include <cmath>
#include <ctime>
#include <random>

#include "app/command_line.h"
#include "app/data_folder.h"
#include "app/display_game.h"
#include "app/game.h"
#include "app/sound_links.h"
#include "app/key_table.h"
#include "app/main_loop.h"
#include "app/skin_loading.h"
#include "app/timers.h"
#include "library/courses.h"
#include "library/jukebox.h"
#include "library/song_search.h"
#include "media/display.h"
#include "media/input.h"
#include "media/skin.h"
#include "media/sound.h"
#include "menu/startup_menu.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "screens/jukebox_list.h"
#include "screens/score_record.h"

namespace kvx {

std::string BannerLine(int year, int month, int day, int hour, int minute, int second) {
  char text[96];
  std::snprintf(text, sizeof text, "[Main] korvex %d.%d(%d) start on %04d/%02d/%02d %02d:%02d:%02d",
                kVersionMajor, kVersionMinor, kVersionRevision, year, month, day, hour, minute, second);
  return text;
}

std::array<std::string, 8> MakeRankLetters() {
  std::array<std::string, 8> letters;
  int i = 0;
  for (const auto& part : {"SS", "S", "A", "B", "C", "D", "E", "F"}) letters[i++] = part;
  return letters;
}

void SetStartupValues(Game& g) {
  AppState& a = g.app;
  a.ScreenWidth = 640;
  a.ScreenHeight = 480;
  a.BgaX = 192, a.BgaY = 128, a.BgaWidth = 256, a.BgaHeight = 256;
  a.DegToRad = static_cast<float>(3.1415 / 180);
  a.Records.assign(10001, KeyRecord{});
  a.RecordCount = a.RecordReadIndex = a.RecordWriteIndex = 0;
  a.ListCursor = 0;
}

void SetBuiltInRects(Game& g) {
  ScreensState& s = g.screens;
  s.RectA = {0, 0, 160, 120};
  s.RectB = {0, 160, 440, 230};
  for (int i = 0; i < 4; ++i) {
    s.RectC[i] = {0, 20 * i, 20, 20 * i + 20};
    s.RectD[i] = {0, 19 * i + 20, 70, 19 * i + 39};
    s.RectE[i] = {20 * i, 120, 20 * i + 20, 140};
  }
  for (int i = 0; i < 6; ++i) s.RectF[i] = {100, 12 * i + 62, 132, 12 * i + 74};
  std::mt19937 random(std::random_device{}());
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  for (int i = 0; i < 10; ++i) {
    for (int j = 0; j < 2; ++j) s.RectG[i][j] = {60 * j + 132, 20 * i, 60 * j + 192, 20 * i + 20};
    s.RectH[i] = {9 * i, 100, 9 * i + 9, 118};
    s.RectI[i] = {80, 12 * i, 130, 12 * i + 12};
    int x = static_cast<int>(unit(random) * 192), y = static_cast<int>(unit(random) * 144);
    s.RectJ[i] = {x, y, x + 192, y + 144};
  }
  s.RectK = {0, 140, 12, 152};
  s.RectL = {0, 160, 120, 161};
  s.RectM = {0, 400, 187, 480};
  g.settings.UserPlay = true;
  g.settings.ShowGauge = true;
}

int32_t PreviewIntervalFromWait(const std::string& wait_field) {
  auto seconds = ParseIniSingle(wait_field);
  double ms = seconds ? std::nearbyint(static_cast<double>(*seconds) * 1000.0) : 0.0;
  if (ms < 1 || ms > 2147483647.0) return 1;
  return static_cast<int32_t>(ms);
}

static void WriteBanner(Game& g) {
  std::time_t t = std::time(nullptr);
  std::tm l{};
  localtime_r(&t, &l);
  DebugLog(g, std::string(67, '-'));
  DebugLog(g, BannerLine(l.tm_year + 1900, l.tm_mon + 1, l.tm_mday, l.tm_hour, l.tm_min, l.tm_sec));
}

[[noreturn]] static void StopForMissingDataFolder(Game& g) {
  ShowMessageBox("critical error",
                 "_kvxfilesフォルダが存在しません。フルセットをダウンロードして展開してください。\r\n"
                 "エクスプローラでcabファイルを展開した場合は、フォルダが正常に展開されないためこのエラーが"
                 "発生している場合があります。\r\n"
                 "同梱されているmake.batを実行してください。",
                 MessageBoxKind::Critical, !g.options.headless);
  throw ProgramExit{1};
}

void Main(Game& g) {
  const SeedReport seeded = PrepareDataFolder(g);
  DeleteFile(g.paths.data + "/debug.txt");
  g.app.RankLetters = MakeRankLetters();
  g.app.LevelTable = MakeLevelTable();
  WriteBanner(g);
  LogDataFolder(g, seeded);
  LoadSettings(g);
  if (!FolderExists(g.paths.data)) StopForMissingDataFolder(g);
  for (const char* sub : {"", "/jukelist", "/courselist", "/wav"}) MakeFolder(g.paths.data + sub);
  if (int removed = RemoveStaleTemporaryFiles(g.paths.data, 2))
    DebugLog(g, "Removed " + std::to_string(removed) + " temporary file(s) left by interrupted writes in " +
                    g.paths.data);
  InitDX(g);
  InitDI_Keyboard(g);
  InitJoysticks(g);
  LoadStartupMenu(g);
  LoadKeyTable(g);
  ShowStartupMenu(g);
}

bool Start(Game& g) {
  DebugLog(g, "[Start] preparing...");
  g.settings.PreviewDelay = PreviewIntervalFromWait(g.menu.txtWait);
  DebugLog(g, "Updating list contents");
  UpdateCourseList(g);
  UpdateSkinList(g.Services(), g.skin, g.paths.data, g.settings.brd);
  if (UpdateJukeList(g) == 0) {
    DebugLog(g, "# BMS-list(s) aren't found. Make now.");
    if (!MakeBMSListFile(g, false)) return false;
  }
  SetStartupValues(g);
  if (g.options.autoplay && !g.app.DemoForced) {
    g.app.DemoForced = true;
    g.app.DEMOModeSaved = g.settings.DEMOMode;
    g.settings.DEMOMode = true;
  }
  if (!g.app.command_line.empty()) ParseCommandLine(g, g.app.command_line);
  HideStartupMenu(g);
  DebugLog(g, "Values initialized.");
  ShowGameWindow(g);
  InitDD(g);
  SetMixerVolumes(g.sound, g.settings.VolumeMaster, g.settings.VolumeKeys, g.settings.VolumeBackground,
                  g.settings.VolumeSystem);
  InitDS(g);
  CreateSurfaces(g);
  ShowStartupText(g, "NOW LOADING ...");
  LoadSS(g);
  SetBuiltInRects(g);
  ShowStartupText(g, "NOW LOADING ... PREPARING...");
  PreparePreviewSurface(g);
  LoadRectData(g, g.settings.brd);
  // Charts from the command line are played from their own list, not from the
  // jukebox list JukeReady puts in its place.
  std::vector<SongEntry> command_line_charts;
  if (g.app.play_first_entry) command_line_charts = g.library.SongList;
  JukeReady(g);
  if (g.app.play_first_entry) {
    g.library.SongList = std::move(command_line_charts);
    g.library.SongListLast = static_cast<int32_t>(g.library.SongList.size()) - 1;
    g.library.SongMarks.assign(g.library.SongList.size(), false);
  }
  g.app.ListCursor = 0;
  DebugLog(g, "initialize complete. songlist mode.");
  g.app.started = true;
  InstallInputRouting(g);
  ListAnm(g);
  return true;
}

void ExitApp(Game& g, int code) {
  DebugLog(g, "[ExitApp]");
  // A finished play whose result screen or name entry is still showing.
  WritePendingRecord(g);
  DebugLog(g, "saving settings...");
  SaveKeyTable(g);
  SaveSettings(g);
  DebugLog(g, "Kill timers...");
  for (int id : {kEffectTickTimerId, kNetPollTimerId, kUnsetTimerId, kPreviewPlayTimerId}) g.pump.KillTimer(id);
  DebugLog(g, "complete.");
  throw ProgramExit{code};
}

}  // namespace kvx
