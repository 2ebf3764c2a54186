#pragma once
// The settings controls of the startup menu: each check box and drop-down
// list with its label or entries, its tooltip and the setting it is bound to.
// A control is filled from its setting when the menu loads and writes the
// setting back the moment it changes.
#include <cstdint>
#include <string>
#include <vector>

#include "app/texts.h"

namespace kvx {

struct Game;
struct Settings;

// A text of the menu, looked up in the chosen language's table.
using MenuText = const char* Texts::*;

struct MenuCheckBox {
  const char* name;     // the control's name ("chkClearList")
  MenuText label;
  const char* tooltip;  // English, says what the setting does
  bool (*checked)(const Settings&);
  void (*set)(Settings&, bool);
};

struct MenuDropDown {
  const char* name;
  MenuText caption;  // short caption shown before the list
  std::vector<MenuText> entries;
  const char* tooltip;
  int (*index)(const Settings&);  // an index outside the entries shows no selection
  void (*set)(Settings&, int);
};

// A percentage from 0 to 100 (the volumes).
struct MenuSlider {
  const char* name;
  MenuText caption;
  const char* tooltip;
  int32_t Settings::*field;
};

// In window order.
const std::vector<MenuCheckBox>& MenuCheckBoxes();
const std::vector<MenuDropDown>& MenuDropDowns();
const std::vector<MenuSlider>& MenuSliders();
const MenuCheckBox* FindMenuCheckBox(const std::string& name);
const MenuDropDown* FindMenuDropDown(const std::string& name);

// Loading the window: the text boxes from their settings, BMPRelease off
// whatever the file said, the skin list.
void LoadMenuControls(Game& game);

void SetMenuCheckBox(Game& game, const MenuCheckBox& box, bool checked);
void SetMenuDropDown(Game& game, const MenuDropDown& list, int index);
// Sets the slider's setting (kept in 0..100) and the mixer volumes follow.
void SetMenuSlider(Game& game, const MenuSlider& slider, int percent);
void SetMenuUserName(Game& game, const std::string& text);
// The preview wait in seconds; the preview delay follows it at once.
void SetMenuWait(Game& game, const std::string& text);
// Chooses language `index` of Languages(); the texts change at once.
void SetMenuLanguage(Game& game, int index);
// Chooses skin entry `index`: brd becomes its full path.
void SetMenuSkin(Game& game, int index);

// "0.5" for 500 ms: the interval in seconds as decimal text.
std::string WaitFieldText(int32_t interval_ms);
// A skin path as the list shows it: relative to the data folder.
std::string SkinEntryName(const Game& game, const std::string& path);

}  // namespace kvx
