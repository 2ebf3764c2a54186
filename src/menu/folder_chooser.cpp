#include "menu/folder_chooser.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "imgui.h"
#include "imgui_internal.h"
#include "imgui_stdlib.h"
#include "menu/menu_tooltip.h"
#include "platform/text.h"

namespace kvx {

namespace fs = std::filesystem;

namespace {


std::string NormalFolderPath(const fs::path& path) {
  std::string text = path.lexically_normal().string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

const std::vector<std::string>& SubfoldersOf(FolderChooser& c, const std::string& path) {
  auto it = c.subfolders.find(path);
  if (it == c.subfolders.end()) it = c.subfolders.emplace(path, ListSubfolders(path)).first;
  return it->second;
}

// One folder of the tree and, when it is open, the folders inside it.
void DrawFolderNode(FolderChooser& c, const std::string& path, const std::string& label, const std::string& parent) {
  ImGui::PushID(path.c_str());
  ImGuiTreeNodeFlags flags =
      ImGuiTreeNodeFlags_OpenOnArrow | ImGuiTreeNodeFlags_OpenOnDoubleClick | ImGuiTreeNodeFlags_SpanAvailWidth;
  if (path == c.selected_path) flags |= ImGuiTreeNodeFlags_Selected;
  const bool was_open = c.open_folders.count(path) > 0;
  ImGui::SetNextItemOpen(was_open);
  const bool open = ImGui::TreeNodeEx("##folder", flags, "%s", ReplaceInvalidUtf8(label).c_str());
  c.rows.emplace_back(path, parent);
  if (open != was_open) {  // opened or closed by the pointer
    if (open) c.open_folders.insert(path);
    else c.open_folders.erase(path);
  }
  if (ImGui::IsItemClicked()) {
    c.tree_has_keys = true;
    if (c.selected_path != path) SelectChooserFolder(c, path);
  }
  if (c.scroll_to_selected && path == c.selected_path) {
    ImGui::SetScrollHereY();
    c.scroll_to_selected = false;
  }
  if (open) {
    for (const std::string& name : SubfoldersOf(c, path))
      DrawFolderNode(c, NormalFolderPath(fs::path(path) / name), name, path);
    ImGui::TreePop();
  }
  ImGui::PopID();
}

bool KeyPressed(ImGuiKey key, bool repeat = false) { return ImGui::IsKeyPressed(ImGui::GetKeyIndex(key), repeat); }

int RowOf(const FolderChooser& c, const std::string& path) {
  for (size_t i = 0; i < c.rows.size(); ++i)
    if (c.rows[i].first == path) return static_cast<int>(i);
  return -1;
}

void SelectRow(FolderChooser& c, int row) {
  if (row < 0 || row >= static_cast<int>(c.rows.size())) return;
  SelectChooserFolder(c, c.rows[row].first);
  c.scroll_to_selected = true;
}

// The arrow keys on the tree, over the rows of the last frame: one row per
// press (held keys repeat), whatever the rows' shapes.
void TreeKeys(FolderChooser& c) {
  const int row = RowOf(c, c.selected_path);
  const std::string& path = c.selected_path;
  if (KeyPressed(ImGuiKey_DownArrow, true)) SelectRow(c, row < 0 ? 0 : row + 1);
  if (KeyPressed(ImGuiKey_UpArrow, true)) SelectRow(c, row < 0 ? 0 : std::max(0, row - 1));
  if (row < 0) return;
  if (KeyPressed(ImGuiKey_RightArrow, true)) {
    if (!c.open_folders.count(path)) c.open_folders.insert(path);
    else if (!SubfoldersOf(c, path).empty()) SelectRow(c, row + 1);
  }
  if (KeyPressed(ImGuiKey_LeftArrow, true)) {
    const std::string parent = c.rows[row].second;
    if (c.open_folders.count(path)) c.open_folders.erase(path);
    else if (!parent.empty()) SelectRow(c, RowOf(c, parent));
  }
}

}  // namespace

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return NormalFolderPath(home);
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return NormalFolderPath(pw->pw_dir);
  return "/";
}

std::vector<std::string> ListSubfolders(const std::string& path, size_t limit) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(path, fs::directory_options::skip_permission_denied, ec), end;
       !ec && it != end && names.size() < limit; it.increment(ec)) {
    std::string name = it->path().filename().string();
    std::error_code type_ec;
    if (name.empty() || name[0] == '.' || !it->is_directory(type_ec)) continue;
    names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const std::string ua = ToUpperAscii(a), ub = ToUpperAscii(b);
    return ua != ub ? ua < ub : a < b;
  });
  return names;
}

void OpenFolderChooser(FolderChooser& c, const std::string& title, const std::string& home,
                       const std::string& program_folder, const std::string& start) {
  c = FolderChooser{};
  c.open = true;
  c.just_opened = true;
  c.title = title;
  for (const FolderChooser::StartingPoint& point :
       {FolderChooser::StartingPoint{"Home  " + home, home},
        FolderChooser::StartingPoint{"korvex  " + program_folder, program_folder},
        FolderChooser::StartingPoint{"/", "/"}}) {
    const bool known = std::any_of(c.starting_points.begin(), c.starting_points.end(),
                                   [&](const auto& p) { return p.path == point.path; });
    if (!point.path.empty() && !known) c.starting_points.push_back(point);
  }
  SelectChooserFolder(c, start.empty() ? home : NormalFolderPath(start));
}

void SelectChooserFolder(FolderChooser& c, const std::string& path) {
  c.selected_path = path;
  c.path_field = ReplaceInvalidUtf8(path);
}

std::optional<std::string> ChooserFolder(const FolderChooser& c) {
  // A tree folder whose name is not UTF-8 is shown with replacement marks;
  // while the field still shows it, the folder's real name is meant.
  std::string text = c.path_field == ReplaceInvalidUtf8(c.selected_path) ? c.selected_path : c.path_field;
  text = Trim(text);
  if (text.empty()) return std::nullopt;
  const std::string home = HomeFolder();
  fs::path path;
  if (text == "~")
    path = home;
  else if (text.rfind("~/", 0) == 0)
    path = fs::path(home) / text.substr(2);
  else if (text[0] != '/')
    path = fs::path(home) / text;
  else
    path = text;
  std::error_code ec;
  if (!fs::is_directory(path, ec)) return std::nullopt;
  return NormalFolderPath(path);
}

ChooserOutcome DrawFolderChooser(FolderChooser& c, std::string* chosen) {
  if (!c.open) return ChooserOutcome::Cancelled;
  const Texts& texts = c.texts ? *c.texts : TextsFor("");
  const std::string popup_id = c.title + "###folder_chooser";
  if (c.just_opened) ImGui::OpenPopup(popup_id.c_str());
  const ImGuiViewport* vp = ImGui::GetMainViewport();
  ImGui::SetNextWindowPos(ImVec2(vp->Pos.x + vp->Size.x / 2, vp->Pos.y + vp->Size.y / 2), ImGuiCond_Appearing,
                          ImVec2(0.5f, 0.5f));
  ImGui::SetNextWindowSize(ImVec2(std::min(560.0f, vp->Size.x - 16), std::min(400.0f, vp->Size.y - 16)),
                           ImGuiCond_Appearing);
  if (!ImGui::BeginPopupModal(popup_id.c_str(), nullptr, ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoNavInputs)) {
    c.open = false;
    return ChooserOutcome::Cancelled;
  }
  bool accept = false, cancel = false;
  // Down in the field goes to the tree; Up, Down, Left and Right then move
  // there. The tree's own keys are ours, not Dear ImGui's navigation, so a
  // key moves exactly one row.
  const bool field_had_keys = !c.tree_has_keys;
  if (field_had_keys && !c.just_opened && KeyPressed(ImGuiKey_DownArrow)) {
    c.tree_has_keys = true;
    SelectRow(c, 0);
    ImGui::ClearActiveID();
  } else if (c.tree_has_keys) {
    TreeKeys(c);
  }

  ImGui::TextUnformatted("Folder:");
  ImGui::SameLine();
  ImGui::SetNextItemWidth(-1);
  if (c.just_opened || c.select_field) ImGui::SetKeyboardFocusHere();
  c.select_field = false;
  const bool field_enter = ImGui::InputText("##path", &c.path_field,
                                            ImGuiInputTextFlags_EnterReturnsTrue | ImGuiInputTextFlags_AutoSelectAll);
  const bool field_active = ImGui::IsItemActive();
  if (field_active && ImGui::IsItemActivated()) c.tree_has_keys = false;
  ItemTooltip("Type a folder path and press Enter (~ is your home folder), or pick one in the tree below.");

  const float footer = ImGui::GetFrameHeightWithSpacing() * 2 + ImGui::GetStyle().ItemSpacing.y;
  ImGui::BeginChild("##tree", ImVec2(0, -footer), true, ImGuiWindowFlags_NoNav);
  c.rows.clear();
  for (const auto& start : c.starting_points) DrawFolderNode(c, start.path, start.label, "");
  ImGui::EndChild();

  const std::optional<std::string> folder = ChooserFolder(c);
  if (folder)
    ImGui::TextUnformatted("Arrows move and open folders, Enter chooses, Escape cancels.");
  else
    ImGui::TextColored(ImVec4(1.0f, 0.45f, 0.4f, 1.0f), "No such folder.");

  ImGui::BeginDisabled(!folder);
  if (ImGui::Button(texts.chooser_ok, ImVec2(100, 0))) accept = true;
  ImGui::EndDisabled();
  ItemTooltip("Add the folder shown above.");
  ImGui::SameLine();
  if (ImGui::Button(texts.chooser_cancel, ImVec2(100, 0))) cancel = true;
  ItemTooltip("Close without adding a folder.");

  const bool enter = KeyPressed(ImGuiKey_Enter) || KeyPressed(ImGuiKey_KeyPadEnter);
  if (field_enter || (!c.just_opened && !field_active && enter)) {
    accept = true;
    // A path that is no folder stays in the field, selected, for the next try.
    if (!folder) {
      c.select_field = true;
      c.tree_has_keys = false;
      ImGui::ClearActiveID();  // taken up again next frame, with the text selected
    }
  }
  if (KeyPressed(ImGuiKey_Escape)) cancel = true;
  c.just_opened = false;

  ChooserOutcome outcome = ChooserOutcome::Open;
  if (cancel) {
    outcome = ChooserOutcome::Cancelled;
  } else if (accept && folder) {
    if (chosen) *chosen = *folder;
    outcome = ChooserOutcome::Chosen;
  }
  if (outcome != ChooserOutcome::Open) {
    c.open = false;
    ImGui::CloseCurrentPopup();
  }
  ImGui::EndPopup();
  return outcome;
}

}  // namespace kvx
