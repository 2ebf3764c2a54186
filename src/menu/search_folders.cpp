#include "menu/search_folders.h"

#include <algorithm>
#include <filesystem>

#include "app/game.h"
#include "platform/files.h"
#include "platform/text.h"

namespace kvx {

namespace {

bool IsCommentLine(std::string_view line) { return line.size() >= 2 && line[0] == '/' && line[1] == '/'; }

}  // namespace

SearchFolderList ParseSearchFolderText(std::string_view text) {
  SearchFolderList list;
  for (const std::string& line : SplitLines(text)) {
    if (line.empty()) continue;
    // Folders on this system start with "/", so only "//" marks a comment
    // (the same lines the chart search skips).
    if (IsCommentLine(line)) {
      list.comment_block += line + "\r\n";
    } else if (line[0] == '#') {
      list.entries.push_back({line.substr(1), false});
    } else {
      list.entries.push_back({line, true});
    }
  }
  return list;
}

std::string SearchFolderFileText(const SearchFolderList& list) {
  std::string text = list.comment_block;
  for (const auto& e : list.entries) text += (e.checked ? "" : "#") + e.folder + "\r\n";
  return text;
}

bool LooksBinary(std::string_view bytes) {
  const size_t nul = bytes.find('\0');
  if (nul != std::string_view::npos && bytes.find_first_not_of('\0', nul) != std::string_view::npos) return true;
  for (unsigned char c : bytes.substr(0, nul)) {
    if (c == 0x7F || (c < 0x20 && c != '\t' && c != '\r' && c != '\n')) return true;
  }
  return false;
}

std::string SearchFolderFilePath(const Game& g) { return g.paths.data + "/kvx_searchdir.txt"; }

SearchFolderList LoadSearchFolderList(const Game& g) {
  const std::string path = SearchFolderFilePath(g);
  auto size = FileSize(path);
  if (!size || *size > kMaxSearchFolderFileBytes) return {};
  auto bytes = ReadFileBytes(path);
  if (!bytes || LooksBinary(*bytes)) return {};
  bytes->resize(std::min(bytes->size(), bytes->find('\0')));
  return ParseSearchFolderText(*bytes);
}

bool SaveSearchFolderList(const Game& g, const SearchFolderList& list) {
  return WriteFileSafely(SearchFolderFilePath(g), SearchFolderFileText(list), /*keep_tail=*/false);
}

std::string NormalizeFolderText(std::string_view folder) {
  std::string out;
  out.reserve(folder.size());
  for (char c : folder) {
    if (c == '/' && !out.empty() && out.back() == '/') continue;
    out += c;
  }
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

std::string FolderCompareKey(std::string_view folder, const std::string& program_folder) {
  std::string text(folder);
  static constexpr std::string_view kCurrentDir = "<CURRENTDIR>";
  for (size_t at = 0; (at = ToUpperAscii(text).find(kCurrentDir, at)) != std::string::npos;) {
    text.replace(at, kCurrentDir.size(), program_folder);
    at += program_folder.size();
  }
  return ToUpperAscii(NormalizeFolderText(text));
}

AddFolderResult AddSearchFolder(SearchFolderList& list, std::string_view folder, const std::string& program_folder) {
  if (folder.empty() || folder.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
    return AddFolderResult::Unusable;
  std::string text = NormalizeFolderText(folder);
  // A text starting with "#" or "//" would read back as something else.
  if (text[0] == '#' || IsCommentLine(text)) return AddFolderResult::Unusable;
  const std::string key = FolderCompareKey(text, program_folder);
  for (const auto& e : list.entries)
    if (FolderCompareKey(e.folder, program_folder) == key) return AddFolderResult::Duplicate;
  list.entries.push_back({text, true});
  return AddFolderResult::Added;
}

bool RemoveSelectedFolder(SearchFolderList& list) {
  if (list.selected < 0 || list.selected >= static_cast<int>(list.entries.size())) return false;
  list.entries.erase(list.entries.begin() + list.selected);
  list.selected = -1;
  return true;
}

std::string FolderOfDroppedPath(const std::string& path) {
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (!ec && std::filesystem::exists(status) && !std::filesystem::is_directory(status)) {
    std::string folder = FolderOf(path);
    return folder.size() > 1 ? folder.substr(0, folder.size() - 1) : folder;
  }
  return path;
}

}  // namespace kvx
