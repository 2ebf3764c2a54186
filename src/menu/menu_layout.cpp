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
    Describe(g, box.name, TextsOf(g).*box.tooltip);
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
  Describe(g, list.name, t.*list.tooltip);
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
  Describe(g, "cmbSkin", TextsOf(g).tip_skin);
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
  Describe(g, "cmbLanguage", TextsOf(g).tip_language);
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
  OffsetField(g, "txtJudgeOffset", s.JudgeOffsetMs, TextsOf(g).tip_judge_offset);
  ImGui::SameLine();
  OffsetField(g, "txtVisualOffset", s.VisualOffsetMs, TextsOf(g).tip_visual_offset);
  ImGui::SetCursorPosX(kRightColumn + kCaptionWidth);
  const bool pressed = ImGui::Button(Id(TextsOf(g).menu_calibrate, "cmdCalibrate").c_str());
  Describe(g, "cmdCalibrate", TextsOf(g).tip_calibrate);
  return pressed;
}

bool DrawRightColumn(Game& g) {
  MenuState& m = g.menu;
  const Texts& t = TextsOf(g);
  DrawLanguageList(g);
  Caption(t.menu_player_name);
  std::string name = m.txtUserName;
  if (ImGui::InputText("##txtUserName", &name)) SetMenuUserName(g, name);
  Describe(g, "txtUserName", TextsOf(g).tip_player_name);
  for (const MenuDropDown& list : MenuDropDowns()) DrawDropDown(g, list);
  DrawSkinList(g);
  Caption(t.menu_preview);
  ImGui::SetNextItemWidth(50);
  std::string wait = m.txtWait;
  if (ImGui::InputText("##txtWait", &wait)) SetMenuWait(g, wait);
  Describe(g, "txtWait", TextsOf(g).tip_preview_wait);
  ImGui::SameLine();
  ImGui::TextUnformatted(t.menu_wait_label);
  for (const MenuSlider& slider : MenuSliders()) {
    Caption(t.*slider.caption);
    int percent = g.settings.*slider.field;
    if (ImGui::SliderInt(Id("", slider.name).c_str(), &percent, 0, 100, "%d %%")) SetMenuSlider(g, slider, percent);
    Describe(g, slider.name, t.*slider.tooltip);
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
    ItemTooltip(TextsOf(g).tip_folder_checked);
    ImGui::SameLine();
    std::string text = e.folder.empty() ? std::string(TextsOf(g).menu_empty_folder) : ReplaceInvalidUtf8(e.folder);
    // After a search each searched folder says what it gave; a folder that
    // does not exist or holds no chart stands out.
    const SearchFolderResult* result = SearchResultOf(g, e);
    if (result) text += "   [" + SearchResultMark(*result, TextsOf(g)) + "]";
    const bool warn = result && result->charts == 0;
    if (warn) ImGui::PushStyleColor(ImGuiCol_Text, kWarningColour);
    if (ImGui::Selectable(text.c_str(), m.folders.selected == i)) m.folders.selected = i;
    if (warn) ImGui::PopStyleColor();
    ImGui::PopID();
  }
  ImGui::EndChild();
  Describe(g, "lstSPath", TextsOf(g).tip_folder_list);
}

void DrawProgress(Game& g) {
  const MenuSearchProgress& p = g.menu.progress;
  const float chart_part = p.charts_found > 0 ? static_cast<float>(p.charts_read) / p.charts_found : 0.0f;
  const float folder_part =
      p.folders > 0 ? std::clamp((std::max(p.folder, 1) - 1 + chart_part) / p.folders, 0.0f, 1.0f) : 0.0f;
  const Texts& t = TextsOf(g);
  const std::string folders = TextWith(t.search_progress_folders, {std::to_string(p.folder), std::to_string(p.folders)});
  const std::string charts =
      TextWith(t.search_progress_charts, {std::to_string(p.charts_read), std::to_string(p.charts_found)});
  ImGui::ProgressBar(p.folder >= p.folders && p.folders > 0 && !g.menu.busy ? 1.0f : folder_part,
                     ImVec2(ImGui::GetContentRegionAvail().x * 0.5f - 4, 0), folders.c_str());
  Describe(g, "prgFolders", t.tip_progress_folders);
  ImGui::SameLine();
  ImGui::ProgressBar(chart_part, ImVec2(-1, 0), charts.c_str());
  Describe(g, "prgCharts", t.tip_progress_charts);
}

// Returns true when the search start button was pressed.
bool DrawSearchPanel(Game& g) {
  MenuState& m = g.menu;
  const Texts& t = TextsOf(g);
  ImGui::Separator();
  DrawFolderList(g);
  if (ImGui::Button(Id(t.menu_add, "cmdAdd0").c_str(), ImVec2(80, 0)))
    OpenFolderChooser(m.chooser, t.chooser_title, HomeFolder(), g.paths.program, "");
  Describe(g, "cmdAdd0", TextsOf(g).tip_add);
  ImGui::SameLine();
  if (ImGui::Button(Id(t.menu_remove, "cmdAdd1").c_str(), ImVec2(80, 0))) RemoveSelectedSearchFolder(g);
  Describe(g, "cmdAdd1", TextsOf(g).tip_remove);
  ImGui::SameLine();
  ImGui::Checkbox(Id(t.menu_no_limit, "chkNoLimit").c_str(), &m.chkNoLimit);
  Describe(g, "chkNoLimit", TextsOf(g).tip_no_limit);
  ImGui::SameLine(ImGui::GetWindowContentRegionMax().x - 120);
  bool search = ImGui::Button(Id(t.menu_search_start, "cmdSStart").c_str(), ImVec2(120, 0));
  Describe(g, "cmdSStart", TextsOf(g).tip_search_start);
  if (m.progress.ran)
    DrawProgress(g);
  else
    ImGui::TextUnformatted(t.menu_search_hint);
  if (!m.status.empty())
    ImGui::TextWrapped("%s", m.status.c_str());
  else if (m.progress.ran)
    ImGui::TextWrapped("%s", (m.busy ? m.title : SearchSummaryLine(g, t)).c_str());
  return search;
}

// Where others can join, the session's news and, once joined, the players.
void DrawNetworkLines(Game& g) {
  const NetState& n = g.net;
  if (!n.NetPlay || n.IsHost) {
    std::string reach = TextsOf(g).menu_join_at;
    for (const std::string& a : JoinAddresses(g)) reach += " " + a;
    ImGui::TextDisabled("%s", reach.c_str());
  }
  if (!n.status.empty()) ImGui::TextWrapped("%s", n.status.c_str());
  if (!n.NetPlay || !n.session || !n.session->open()) return;
  std::string players = TextsOf(g).menu_players;
  for (const SessionMember& p : n.session->players())
    players += " " + std::to_string(p.id) + "." + p.name + (p.id == n.session->host_id() ? TextsOf(g).menu_host_mark : "");
  ImGui::TextUnformatted(players.c_str());
}

// The network battle's row: host, the address to join, join. The address
// field takes the width the buttons leave (a whole IPv6 address with its port).
MenuAction DrawNetworkRow(Game& g) {
  MenuState& m = g.menu;
  const Texts& t = TextsOf(g);
  MenuAction action = MenuAction::None;
  // Once hosting or joined, both network buttons stay disabled.
  ImGui::BeginDisabled(g.net.NetPlay);
  if (ImGui::Button(Id(t.menu_server, "cmdServer").c_str())) action = MenuAction::HostBattle;
  Describe(g, "cmdServer", t.tip_server);
  ImGui::SameLine();
  const ImGuiStyle& style = ImGui::GetStyle();
  const float connect_width = ImGui::CalcTextSize(t.menu_connect).x + 2 * style.FramePadding.x;
  ImGui::SetNextItemWidth(-(connect_width + style.ItemSpacing.x));
  ImGui::InputTextWithHint("##txtHost", t.menu_host_hint, &m.txtHost);
  Describe(g, "txtHost", t.tip_host);
  ImGui::SameLine();
  if (ImGui::Button(Id(t.menu_connect, "cmdConnect").c_str())) action = MenuAction::JoinBattle;
  Describe(g, "cmdConnect", t.tip_connect);
  ImGui::EndDisabled();
  return action;
}

MenuAction DrawButtonRow(Game& g) {
  MenuState& m = g.menu;
  const Texts& t = TextsOf(g);
  MenuAction action = MenuAction::None;
  ImGui::BeginDisabled(m.search_panel_open);
  if (ImGui::Button(Id(t.menu_search, "cmbSearch").c_str())) OpenSearchPanel(g);
  ImGui::EndDisabled();
  Describe(g, "cmbSearch", t.tip_search);
  ImGui::SameLine();
  if (ImGui::Button(Id(t.menu_key_config, "cmdKeyCfg").c_str())) action = MenuAction::KeyConfig;
  Describe(g, "cmdKeyCfg", t.tip_key_config);
  ImGui::SameLine(ImGui::GetWindowContentRegionMax().x - 100);
  if (ImGui::Button(Id(t.menu_start, "cmdNorm").c_str(), ImVec2(100, 0))) action = MenuAction::StartGame;
  ImGui::SetItemDefaultFocus();  // keyboard navigation starts on the start button
  Describe(g, "cmdNorm", t.tip_start);
  const MenuAction network = DrawNetworkRow(g);
  return action != MenuAction::None ? action : network;
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
