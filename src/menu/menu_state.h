#pragma once
// State of the startup menu window.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "menu/folder_chooser.h"
#include "menu/search_folders.h"

namespace kvx {

struct Game;
class ImGuiWindow;

// Progress of a chart search run from the menu.
struct MenuSearchProgress {
  bool ran = false;      // a search was started from the menu
  int folder = 0;        // the search folder being walked, from 1
  int folders = 0;       // search folders in the file
  int charts_read = 0;   // headers read in the current folder (after the search: charts listed in all)
  int charts_found = 0;  // chart files found in the current folder (after the search: the same total)
};

// Where a control was drawn last, in window pixels (scripted clicks use it).
struct MenuControlRect {
  float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

struct KeyConfigModel;

// The key configuration window: scripted input and what the last frame drew,
// for tests; `open` while the window runs.
struct KeyConfigWindowState {
  bool open = false;
  uint32_t window_id = 0;
  KeyConfigModel* model = nullptr;  // the open window's model
  // Called once per frame before its events are read. A non-empty
  // screenshot_path saves the next frame there (PNG).
  std::function<void(Game&)> frame_script;
  std::string screenshot_path;
  std::map<std::string, MenuControlRect> control_rects;  // where each control was drawn
  float width = 0, height = 0;                          // the window's size in the last frame
};

struct MenuState {
  std::string txtUserName = "Default";
  std::string txtWait = "0.5";            // preview wait, seconds
  std::string txtHost;                    // host address for joining a network battle
  bool chkNoLimit = false;                // unlimited folder depth for the next search
  std::vector<std::string> skin_entries;  // cmbSkin, relative to the data folder
  int skin_selected = -1;

  bool search_panel_open = false;
  SearchFolderList folders;  // lstSPath
  FolderChooser chooser;     // the folder browser of "追加"
  std::string status;        // a line under the folder list ("Already in the list: ...")
  bool busy = false;         // a search runs: every control is disabled
  MenuSearchProgress progress;
  uint32_t last_busy_frame_ms = 0;
  std::string title = "korvex startup menu";
  // How the last search ended; the panel shows it with the totals in the
  // current language (SearchSummaryLine).
  enum class SearchOutcome { Complete, NoCharts, Unsaved } search_outcome = SearchOutcome::Complete;
  float content_height = 0;  // the height the controls took in the last frame
  int quiet_frames = 0;      // frames drawn since the last event

  bool started = false;  // the game was started or the window closed
  bool visible = false;
  ImGuiWindow* window = nullptr;  // the open menu window, if any

  // Scripted input for tests: called once per menu (and calibration) frame
  // before its events are read. A non-empty screenshot_path saves the next frame of the
  // menu or the calibration window there (PNG).
  std::function<void(Game&)> frame_script;
  std::string screenshot_path;
  std::map<std::string, MenuControlRect> control_rects;
  KeyConfigWindowState key_config;
};

}  // namespace kvx
