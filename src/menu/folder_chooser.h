#pragma once
// The folder chooser of the startup menu, drawn inside the program (no
// desktop portal is needed): a folder tree that starts at the user's home,
// the program folder and the file-system root, and a typed path field.
// Keyboard: type a path and press Enter, or move through the tree with the
// arrow keys and press Enter; Escape cancels. In the tree Up and Down move one
// row, Right opens a folder (then goes into it), Left closes it (then goes to
// its parent). A path that is no folder is refused and selected for retyping.
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/texts.h"

namespace kvx {

struct FolderChooser {
  struct StartingPoint {
    std::string label;
    std::string path;
  };
  const Texts* texts = nullptr;  // the language of the buttons (the default when none)
  bool open = false;
  bool just_opened = false;  // the popup is opened and the path field focused on the next frame
  std::string title;
  std::vector<StartingPoint> starting_points;
  std::string path_field;                                      // what the path field shows (UTF-8)
  std::string selected_path;                                   // the tree's chosen folder, as the file system spells it
  std::map<std::string, std::vector<std::string>> subfolders;  // listed folders, by path
  std::set<std::string> open_folders;                          // tree rows shown open
  // The rows of the tree as last drawn, top to bottom: each folder's path and
  // its parent row's path (empty for a starting point).
  std::vector<std::pair<std::string, std::string>> rows;
  bool tree_has_keys = false;     // the arrow keys and Enter work the tree, not the field
  bool scroll_to_selected = false;
  bool select_field = false;      // the field takes the focus with its text selected next frame
};

enum class ChooserOutcome { Open, Chosen, Cancelled };

// Opens the chooser with the given title; the path field starts at `start`.
void OpenFolderChooser(FolderChooser& chooser, const std::string& title, const std::string& home,
                       const std::string& program_folder, const std::string& start);
// The user's home folder ($HOME, else the password database).
std::string HomeFolder();
// The names of the folders inside `path`, sorted without regard to case; names
// starting with "." are left out. A folder that cannot be read has none.
std::vector<std::string> ListSubfolders(const std::string& path, size_t limit = 5000);
// The folder the path field names ("~" is the home folder, a relative path is
// taken from the home folder), normalised; nothing when it is not a folder.
std::optional<std::string> ChooserFolder(const FolderChooser& chooser);
// Selects a folder of the tree: the path field shows it.
void SelectChooserFolder(FolderChooser& chooser, const std::string& path);

// Draws the chooser as a modal popup of the current Dear ImGui window. On
// Chosen, `chosen` holds the folder; Cancelled returns nothing.
ChooserOutcome DrawFolderChooser(FolderChooser& chooser, std::string* chosen);

}  // namespace kvx
