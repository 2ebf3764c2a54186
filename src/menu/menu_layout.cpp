#include "menu/menu_layout.h"

#include <algorithm>
#include <string>

#include "app/game.h"
#include "app/texts.h"
#include "library/library_state.h"
#include "imgui.h"
#include "imgui_stdlib.h"
#include "menu/folder_chooser.h"
#include "menu/menu_controls.h"
#include "menu/menu_search.h"
#include "net/net_setup.h"
#include "menu/menu_tooltip.h"
#include "platform/text.h"

namespace kvx {

namespace {

// Folders of the list that gave no chart in the last search.
const ImVec4 kWarningColour(1.0f, 0.55f, 0.35f, 1.0f);

constexpr float kRightColumn = 330.0f;
constexpr float kCaptionWidth = 122.0f;

// After each control: its tooltip, and its place for scripted clicks.
void Describe(Game& g, const char* name, const std::string& tooltip) {
  ItemTooltip(tooltip);
  const ImVec2 a = ImGui::GetItemRectMin(), b = ImGui::GetItemRectMax();
  g.menu.control_rects[name] = {a.x, a.y, b.x, b.y};
}

std::string Id(const char* label, const char* name) { return std::string(label) + "##" + name; }

void DrawCheckBoxes(Game& g) {
  for (const MenuCheckBox& box : MenuCheckBoxes()) {
    bool checked = box.checked(g.settings);
    if (ImGui::Checkbox(Id(TextsOf(g).*box.label, box.name).c_str(), &checked)) SetMenuCheckBox(g, box, checked);
    Describe(g, box.name, box.tooltip);
  }
}

void Caption(const char* text) {
  ImGui::SetCursorPosX(kRightColumn);
  ImGui::AlignTextToFramePadding();
  ImGui::TextUnformatted(text);
  ImGui::SameLine(kRightColumn + kCaptionWidth);
  ImGui::SetNextItemWidth(-8);
}

void DrawDropDown(Game& g, const MenuDropDown& list) {
  const Texts& t = TextsOf(g);
  Caption(t.*list.caption);
  const int index = list.index(g.settings);
  const bool valid = index >= 0 && index < static_cast<int>(list.entries.size());
  if (ImGui::BeginCombo(Id("", list.name).c_str(), valid ? t.*list.entries[index] : "")) {
    for (int i = 0; i < static_cast<int>(list.entries.size()); ++i) {
      if (ImGui::Selectable(t.*list.entries[i], i == index)) SetMenuDropDown(g, list, i);
      if (i == index) ImGui::SetItemDefaultFocus();
    }
    ImGui::EndCombo();
  }
  Describe(g, list.name, list.tooltip);
}

void DrawSkinList(Game& g) {
  MenuState& m = g.menu;
  Caption(TextsOf(g).menu_skin);
  const bool valid = m.skin_selected >= 0 && m.skin_selected < static_cast<int>(m.skin_entries.size());
  const std::string preview =
      ReplaceInvalidUtf8(valid ? m.skin_entries[m.skin_selected] : SkinEntryName(g, g.settings.brd));
  if (ImGui::BeginCombo("##cmbSkin", preview.c_str())) {
    for (int i = 0; i < static_cast<int>(m.skin_entries.size()); ++i) {
      ImGui::PushID(i);
      if (ImGui::Selectable(ReplaceInvalidUtf8(m.skin_entries[i]).c_str(), i == m.skin_selected)) SetMenuSkin(g, i);
      if (i == m.skin_selected) ImGui::SetItemDefaultFocus();
      ImGui::PopID();
    }
    ImGui::EndCombo();
  }
  Describe(g, "cmbSkin", "The skin file (play screen layout) to play with, from the data folder _kvxfiles.");
}

// The language of every text; the window's own texts switch at once.
void DrawLanguageList(Game& g) {
  Caption(TextsOf(g).menu_language);
  const auto languages = Languages();
  int selected = 0;
  for (size_t i = 0; i < languages.size(); ++i)
    if (g.settings.Language == languages[i].code) selected = static_cast<int>(i);
  if (ImGui::BeginCombo("##cmbLanguage", languages[selected].name)) {
    for (size_t i = 0; i < languages.size(); ++i)
      if (ImGui::Selectable(languages[i].name, static_cast<int>(i) == selected)) SetMenuLanguage(g, static_cast<int>(i));
    ImGui::EndCombo();
  }
  Describe(g, "cmbLanguage", "The language of the texts on screen: Japanese (the classic texts) or English.");
}

// One offset field: a whole number of ms within the allowed range.
void OffsetField(Game& g, const char* name, int32_t& value, const char* tooltip) {
  ImGui::SetNextItemWidth(48);
  int v = value;
  if (ImGui::InputInt(Id("", name).c_str(), &v, 0, 0)) value = std::clamp(v, -kMaxOffsetMs, kMaxOffsetMs);
  Describe(g, name, tooltip);
}

// Returns true when the calibration button was pressed.
bool DrawOffsets(Game& g) {
  Caption(TextsOf(g).menu_offsets);
  Settings& s = g.settings;
  OffsetField(g, "txtJudgeOffset", s.JudgeOffsetMs,
              "Judge offset: presses are judged this many ms earlier. Use a positive value when your sound or "
              "keyboard is late (the calibration measures it). 0: judged as pressed.");
  ImGui::SameLine();
  OffsetField(g, "txtVisualOffset", s.VisualOffsetMs,
              "Visual offset: notes reach the judgement line this many ms later (negative: earlier), for a "
              "display that shows pictures late or early. 0: drawn on time.");
  ImGui::SetCursorPosX(kRightColumn + kCaptionWidth);
  const bool pressed = ImGui::Button(Id(TextsOf(g).menu_calibrate, "cmdCalibrate").c_str());
  Describe(g, "cmdCalibrate", "Tap with a steady beat to measure your judge offset, then save it.");
  return pressed;
}

bool DrawRightColumn(Game& g) {
  MenuState& m = g.menu;
  const Texts& t = TextsOf(g);
  DrawLanguageList(g);
  Caption(t.menu_player_name);
  std::string name = m.txtUserName;
  if (ImGui::InputText("##txtUserName", &name)) SetMenuUserName(g, name);
  Describe(g, "txtUserName", "Your name: the name offered in the ranking and shown to others in a network battle.");
  for (const MenuDropDown& list : MenuDropDowns()) DrawDropDown(g, list);
  DrawSkinList(g);
  Caption(t.menu_preview);
  ImGui::SetNextItemWidth(50);
  std::string wait = m.txtWait;
  if (ImGui::InputText("##txtWait", &wait)) SetMenuWait(g, wait);
  Describe(g, "txtWait", "Seconds the cursor rests on a song before its preview starts playing.");
  ImGui::SameLine();
  ImGui::TextUnformatted(t.menu_wait_label);
  for (const MenuSlider& slider : MenuSliders()) {
    Caption(t.*slider.caption);
    int percent = g.settings.*slider.field;
    if (ImGui::SliderInt(Id("", slider.name).c_str(), &percent, 0, 100, "%d %%")) SetMenuSlider(g, slider, percent);
    Describe(g, slider.name, slider.tooltip);
  }
  return DrawOffsets(g);
}

void DrawFolderList(Game& g) {
  MenuState& m = g.menu;
  ImGui::BeginChild("##lstSPath", ImVec2(0, kFolderListHeight), true);
  for (int i = 0; i < static_cast<int>(m.folders.entries.size()); ++i) {
    SearchFolderEntry& e = m.folders.entries[i];
    ImGui::PushID(i);
    ImGui::Checkbox("##checked", &e.checked);
    ItemTooltip("Checked folders are searched; unchecked ones are kept but skipped.");
    ImGui::SameLine();
    std::string text = e.folder.empty() ? std::string(TextsOf(g).menu_empty_folder) : ReplaceInvalidUtf8(e.folder);
    // After a search each searched folder says what it gave; a folder that
    // does not exist or holds no chart stands out.
    const SearchFolderResult* result = SearchResultOf(g, e);
    if (result) text += "   [" + SearchResultMark(*result) + "]";
    const bool warn = result && result->charts == 0;
    if (warn) ImGui::PushStyleColor(ImGuiCol_Text, kWarningColour);
    if (ImGui::Selectable(text.c_str(), m.folders.selected == i)) m.folders.selected = i;
    if (warn) ImGui::PopStyleColor();
    ImGui::PopID();
  }
  ImGui::EndChild();
  Describe(g, "lstSPath",
           "Folders searched for charts (.bms, .bme). Drop folders or chart files on the window to add them.");
}

void DrawProgress(Game& g) {
  const MenuSearchProgress& p = g.menu.progress;
  const float chart_part = p.charts_found > 0 ? static_cast<float>(p.charts_read) / p.charts_found : 0.0f;
  const float folder_part =
      p.folders > 0 ? std::clamp((std::max(p.folder, 1) - 1 + chart_part) / p.folders, 0.0f, 1.0f) : 0.0f;
  const std::string folders = "folder " + std::to_string(p.folder) + " of " + std::to_string(p.folders);
  const std::string charts = std::to_string(p.charts_read) + " of " + std::to_string(p.charts_found) + " charts";
  ImGui::ProgressBar(p.folder >= p.folders && p.folders > 0 && !g.menu.busy ? 1.0f : folder_part,
                     ImVec2(ImGui::GetContentRegionAvail().x * 0.5f - 4, 0), folders.c_str());
  Describe(g, "prgFolders", "Search folders done of all folders in the list.");
  ImGui::SameLine();
  ImGui::ProgressBar(chart_part, ImVec2(-1, 0), charts.c_str());
  Describe(g, "prgCharts", "Charts read of those found in the folder being searched; after the search, the charts listed in all folders.");
}

// Returns true when the search start button was pressed.
bool DrawSearchPanel(Game& g) {
  MenuState& m = g.menu;
  const Texts& t = TextsOf(g);
  ImGui::Separator();
  DrawFolderList(g);
  if (ImGui::Button(Id(t.menu_add, "cmdAdd0").c_str(), ImVec2(80, 0)))
    OpenFolderChooser(m.chooser, t.chooser_title, HomeFolder(), g.paths.program, "");
  Describe(g, "cmdAdd0", "Add a search folder: opens a folder chooser.");
  ImGui::SameLine();
  if (ImGui::Button(Id(t.menu_remove, "cmdAdd1").c_str(), ImVec2(80, 0))) RemoveSelectedSearchFolder(g);
  Describe(g, "cmdAdd1", "Remove the selected folder from the list.");
  ImGui::SameLine();
  ImGui::Checkbox(Id(t.menu_no_limit, "chkNoLimit").c_str(), &m.chkNoLimit);
  Describe(g, "chkNoLimit",
           "Search every level of subfolders. Unchecked, a folder and its direct subfolders are searched.");
  ImGui::SameLine(ImGui::GetWindowContentRegionMax().x - 120);
  bool search = ImGui::Button(Id(t.menu_search_start, "cmdSStart").c_str(), ImVec2(120, 0));
  Describe(g, "cmdSStart", "Save the folder list and search the checked folders for charts.");
  if (m.progress.ran)
    DrawProgress(g);
  else
    ImGui::TextUnformatted(t.menu_search_hint);
  if (!m.status.empty())
    ImGui::TextUnformatted(m.status.c_str());
  else if (m.progress.ran)
    ImGui::TextUnformatted(m.busy ? m.title.c_str() : m.search_summary.c_str());
  return search;
}

// Where others can join, the session's news and, once joined, the players.
void DrawNetworkLines(Game& g) {
  const NetState& n = g.net;
  if (!n.NetPlay || n.IsHost) {
    std::string reach = "Others join this copy at:";
    for (const std::string& a : JoinAddresses(g)) reach += " " + a;
    ImGui::TextDisabled("%s", reach.c_str());
  }
  if (!n.status.empty()) ImGui::TextUnformatted(n.status.c_str());
  if (!n.NetPlay || !n.session || !n.session->open()) return;
  std::string players = "Players:";
  for (const SessionMember& p : n.session->players())
    players += " " + std::to_string(p.id) + "." + p.name + (p.id == n.session->host_id() ? " (host)" : "");
  ImGui::TextUnformatted(players.c_str());
}

MenuAction DrawButtonRow(Game& g) {
  MenuState& m = g.menu;
  const Texts& t = TextsOf(g);
  MenuAction action = MenuAction::None;
  ImGui::BeginDisabled(m.search_panel_open);
  if (ImGui::Button(Id(t.menu_search, "cmbSearch").c_str())) OpenSearchPanel(g);
  ImGui::EndDisabled();
  Describe(g, "cmbSearch", "Show the search folders, to change them and search them for charts again.");
  ImGui::SameLine();
  if (ImGui::Button(Id(t.menu_key_config, "cmdKeyCfg").c_str())) action = MenuAction::KeyConfig;
  Describe(g, "cmdKeyCfg", "Assign keyboard keys and joystick buttons to the lanes and the game's functions.");
  ImGui::SameLine();
  // Once hosting or joined, both network buttons stay disabled.
  ImGui::BeginDisabled(g.net.NetPlay);
  if (ImGui::Button(Id(t.menu_server, "cmdServer").c_str())) action = MenuAction::HostBattle;
  Describe(g, "cmdServer", "Host a network battle of up to five players and enter the game at once.");
  ImGui::SameLine();
  ImGui::SetNextItemWidth(120);
  ImGui::InputTextWithHint("##txtHost", t.menu_host_hint, &m.txtHost);
  Describe(g, "txtHost", "Address of the host to join: a host name or IP, optionally \":port\".");
  ImGui::SameLine();
  if (ImGui::Button(Id(t.menu_connect, "cmdConnect").c_str())) action = MenuAction::JoinBattle;
  Describe(g, "cmdConnect", "Join the network battle hosted at the address.");
  ImGui::EndDisabled();
  ImGui::SameLine(ImGui::GetWindowContentRegionMax().x - 100);
  if (ImGui::Button(Id(t.menu_start, "cmdNorm").c_str(), ImVec2(100, 0))) action = MenuAction::StartGame;
  ImGui::SetItemDefaultFocus();  // keyboard navigation starts on the start button
  Describe(g, "cmdNorm", "Start the game.");
  return action;
}

}  // namespace

MenuAction DrawStartupMenu(Game& g) {
  MenuState& m = g.menu;
  const ImGuiViewport* vp = ImGui::GetMainViewport();
  ImGui::SetNextWindowPos(vp->Pos);
  ImGui::SetNextWindowSize(vp->Size);
  // A scroll bar shows when the window cannot be as tall as its controls
  // (a small screen).
  ImGui::Begin("frmMenu", nullptr,
               (ImGuiWindowFlags_NoDecoration & ~ImGuiWindowFlags_NoScrollbar) | ImGuiWindowFlags_NoMove |
                   ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoBringToFrontOnFocus);
  ImGui::BeginDisabled(m.busy);

  const float top = ImGui::GetCursorPosY();
  ImGui::BeginGroup();
  DrawCheckBoxes(g);
  ImGui::EndGroup();
  const float left_bottom = ImGui::GetCursorPosY();
  ImGui::SetCursorPosY(top);
  ImGui::BeginGroup();
  const bool calibrate = DrawRightColumn(g);
  ImGui::EndGroup();
  ImGui::SetCursorPosY(std::max(left_bottom, ImGui::GetCursorPosY()) + 8);
  ImGui::Separator();
  MenuAction action = DrawButtonRow(g);
  DrawNetworkLines(g);
  if (calibrate) action = MenuAction::Calibrate;
  if (m.search_panel_open && DrawSearchPanel(g)) action = MenuAction::StartSearch;
  // The panel just opened is scrolled into view.
  const ImGuiID panel_shown = ImGui::GetID("##search_panel_shown");
  if (m.search_panel_open && !ImGui::GetStateStorage()->GetBool(panel_shown)) ImGui::SetScrollHereY(1.0f);
  ImGui::GetStateStorage()->SetBool(panel_shown, m.search_panel_open);
  m.content_height = ImGui::GetCursorPosY() + ImGui::GetStyle().WindowPadding.y;
  if (m.chooser.open) {
    m.chooser.texts = &TextsOf(g);
    std::string chosen;
    if (DrawFolderChooser(m.chooser, &chosen) == ChooserOutcome::Chosen) AddChosenFolder(g, chosen);
  }

  ImGui::EndDisabled();
  ImGui::End();
  return m.busy ? MenuAction::None : action;
}

std::vector<std::string> MenuWindowTexts() {
  std::vector<std::string> texts;
  for (const Language& l : Languages()) {
    texts.push_back(l.name);
    for (const char* text : TextEntries(*l.texts)) texts.push_back(text);
  }
  return texts;
}

}  // namespace kvx
