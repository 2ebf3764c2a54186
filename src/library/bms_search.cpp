#include "library/bms_search.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <memory>
#include <thread>
#include <utility>

#include "app/game.h"
#include "app/texts.h"
#include "library/jukebox.h"
#include "library/list_file.h"
#include "library/song_search.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/text.h"

namespace kvx {

namespace fs = std::filesystem;

namespace {

constexpr const char* kChartMasks = "*.bms;*.bme";
constexpr const char* kModernChartMasks = "*.bms;*.bme;*.bml";
// Even without a depth limit a walk stops this deep: a tree of links that
// never repeats a folder on its path can still be absurdly deep.
constexpr int16_t kMaxWalkDepth = 256;
// Below this many charts a second header-reading thread is not worth starting.
constexpr size_t kParallelScanMinimum = 32;
// A search-folder file larger than this is not read (a line per folder).
constexpr uint64_t kMaxSearchFileBytes = uint64_t{16} << 20;

struct FolderItem {
  std::string name;
  bool folder = false;
  bool file = false;  // a regular file (links followed)
};

// The entries of one folder, names sorted without regard to case (then by
// their bytes, so the order is the same on every run). A folder that cannot
// be read gives nothing.
std::vector<FolderItem> ListFolder(const std::string& folder) {
  std::vector<FolderItem> items;
  std::error_code ec;
  for (fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
       !ec && it != end; it.increment(ec)) {
    FolderItem item;
    item.name = it->path().filename().string();
    std::error_code type_error;
    item.folder = it->is_directory(type_error);
    item.file = !item.folder && it->is_regular_file(type_error);
    items.push_back(std::move(item));
  }
  std::sort(items.begin(), items.end(), [](const FolderItem& a, const FolderItem& b) {
    const std::string la = ToLowerAscii(a.name), lb = ToLowerAscii(b.name);
    return la != lb ? la < lb : a.name < b.name;
  });
  return items;
}

void AppendMatches(Game& g, const std::string& folder, const std::vector<FolderItem>& items,
                   const std::string& masks) {
  LibraryState& l = g.library;
  for (const std::string& mask : Split(masks, ';')) {
    if (mask.empty()) continue;
    for (const FolderItem& item : items)
      if (item.file && MatchesMask(item.name, mask)) l.FoundFiles.push_back(folder + item.name);
  }
  l.ProgressTitle = "Seaching " + std::to_string(l.FoundFiles.size()) + "... " + folder;
  if (l.OnProgress) l.OnProgress();
}

// The folders of the running walk, by device and inode: a link back to one of
// them would make the walk endless, so such a link is not followed.
using FolderIdentity = std::pair<uint64_t, uint64_t>;

bool IdentityOf(const std::string& folder, FolderIdentity* id) {
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0) return false;
  *id = {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
  return true;
}

void Walk(Game& g, std::string& folder, const std::string& masks, bool recurse,
          std::vector<FolderIdentity>& open) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  LibraryState& l = g.library;
  const bool limited = !l.NoDepthLimit;
  if (l.SearchDepth >= 2 && limited) return;
  if (l.SearchDepth >= kMaxWalkDepth) return;
  FolderIdentity id;
  const bool known = IdentityOf(folder, &id);
  if (known && std::find(open.begin(), open.end(), id) != open.end()) return;
  if (known) open.push_back(id);
  ++l.SearchDepth;
  const std::vector<FolderItem> items = ListFolder(folder);
  AppendMatches(g, folder, items, masks);
  if (recurse && !(l.SearchDepth >= 2 && limited)) {
    for (const FolderItem& item : items) {
      if (!item.folder || item.name.empty() || item.name.front() == '.') continue;
      std::string sub = folder + item.name + "/";
      Walk(g, sub, masks, recurse, open);
    }
  }
  --l.SearchDepth;
  if (known) open.pop_back();
}

// What AddSongFile does for one found chart, in two halves: reading the header
// by the rules in force (any thread; false when the file is not a chart) and
// appending the entry (the game's thread, in found order).
bool ReadChartEntry(const std::string& path, SongEntry& entry, const HeaderScanRules& rules) {
  return FileExists(path) && ScanBMSHeader(path, entry, rules);
}

void AppendChartEntry(Game& g, const std::string& path, SongEntry&& entry, bool chart) {
  if (!chart) {
    // An empty or garbage file: listed, it would "play" blank and get a
    // record written beside it.
    DebugLog(g, "not a chart (no chart command), skipped: " + path);
    return;
  }
  LibraryState& l = g.library;
  l.SongList.push_back(std::move(entry));
  l.SongListLast = static_cast<int32_t>(l.SongList.size()) - 1;
  l.TotalPlayTime += l.SongList.back().LengthMs;
  ShowListProgress(g);
}

// Adds every chart of FoundFiles to SongList in the found order. A second
// thread reads headers ahead; the entries are still appended one by one in
// order, so the list, the running total and every progress text are the same
// as when each file is read in turn.
void AddFoundCharts(Game& g) {
  const std::vector<std::string>& files = g.library.FoundFiles;
  const HeaderScanRules rules{g.settings.ModernCharts, g.chart.RandomSeed.value_or(0)};
  const size_t n = files.size();
  if (n < kParallelScanMinimum || std::thread::hardware_concurrency() < 2) {
    for (size_t i = 0; i < n; ++i) {
      SongEntry entry;
      const bool chart = ReadChartEntry(files[i], entry, rules);
      AppendChartEntry(g, files[i], std::move(entry), chart);
    }
    return;
  }
  std::vector<SongEntry> read(n);
  auto chart = std::make_unique<bool[]>(n);
  auto ready = std::make_unique<std::atomic<bool>[]>(n);
  std::atomic<size_t> next{0};
  auto read_next = [&]() {
    const size_t i = next.fetch_add(1, std::memory_order_relaxed);
    if (i >= n) return false;
    chart[i] = ReadChartEntry(files[i], read[i], rules);
    ready[i].store(true, std::memory_order_release);
    ready[i].notify_all();
    return true;
  };
  std::jthread helper([&] {
    while (read_next()) {
    }
  });
  for (size_t i = 0; i < n; ++i) {
    while (!ready[i].load(std::memory_order_acquire))
      if (!read_next()) ready[i].wait(false, std::memory_order_acquire);
    AppendChartEntry(g, files[i], std::move(read[i]), chart[i]);
  }
}

// Logs what one folder gave and keeps it for the startup menu; an unchecked
// line of the menu ("#...") is not a folder the player asked for.
void RecordSearchResult(Game& g, SearchFolderResult result) {
  if (!result.folder.empty() && result.folder.front() == '#') return;
  if (!result.exists) DebugLog(g, "  folder not found: " + result.folder);
  else if (result.charts == 0) DebugLog(g, "  no charts in " + result.folder);
  else DebugLog(g, "  " + std::to_string(result.charts) + " charts in " + result.folder);
  g.library.SearchResults.push_back(std::move(result));
}

}  // namespace

std::string SearchSummary(const std::vector<SearchFolderResult>& results, const Texts& t) {
  int charts = 0, missing = 0, empty = 0;
  for (const SearchFolderResult& r : results) {
    charts += r.charts;
    missing += !r.exists;
    empty += r.exists && r.charts == 0;
  }
  std::string text = TextWith(t.search_totals, {CountText(t.search_charts, charts),
                                                CountText(t.search_folders, static_cast<int>(results.size()))});
  if (missing) text += TextWith(t.search_missing, CountText(t.search_folders, missing));
  if (empty) text += TextWith(t.search_without_charts, CountText(t.search_folders, empty));
  return text;
}

bool MatchesMask(std::string_view name, std::string_view mask) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  size_t n = 0, m = 0, star = std::string_view::npos, resume = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == '?' || lower(mask[m]) == lower(name[n]))) {
      ++n, ++m;
    } else if (m < mask.size() && mask[m] == '*') {
      star = m++;
      resume = n;
    } else if (star != std::string_view::npos) {
      m = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

std::vector<std::string> SearchFolderLines(const Game& g, std::string_view text) {
  std::vector<std::string> folders;
  for (std::string line : SplitLines(text)) {
    for (size_t at = 0; (at = ToUpperAscii(line).find("<CURRENTDIR>", at)) != std::string::npos;) {
      line.replace(at, 12, g.paths.program);
      at += g.paths.program.size();
    }
    if (const size_t comment = line.find("//"); comment != std::string::npos) line.resize(comment);
    if (!line.empty()) folders.push_back(std::move(line));
  }
  return folders;
}

void FindFilesInFolder(Game& g, const std::string& folder, const std::string& masks) {
  AppendMatches(g, folder, ListFolder(folder), masks);
}

void SearchFolderTree(Game& g, std::string& folder, const std::string& masks, bool recurse) {
  std::vector<FolderIdentity> open;
  Walk(g, folder, masks, recurse, open);
}

void SearchBMSFolder(Game& g, std::string& folder) {
  g.library.FoundFiles.clear();
  // ".bml" charts are charts under the modern rules.
  SearchFolderTree(g, folder, g.settings.ModernCharts ? kModernChartMasks : kChartMasks, true);
  AddFoundCharts(g);
}

std::string SearchOutcomeTitle(const std::vector<std::string>& unsaved, const Texts& t) {
  if (unsaved.empty()) return "Scan complete.";
  std::string names;
  for (const std::string& path : unsaved) names += (names.empty() ? "" : ", ") + FileNameOf(path);
  return TextWith(t.search_lists_unsaved, names);
}

bool MakeBMSListFile(Game& g, bool flag) {
  DebugLog(g, std::string("[MakeBMSListFile] depth limit:") + (flag ? "False" : "True"), +1);
  const std::string search_file = g.paths.In("kvx_searchdir.txt");
  std::string text;
  if (FileSize(search_file).value_or(0) <= kMaxSearchFileBytes)
    text = DecodeText(ReadTextFile(search_file).value_or(""));
  g.library.SearchResults.clear();
  g.library.UnsavedListFiles.clear();
  for (std::string line : SearchFolderLines(g, text)) {
    DebugLog(g, "seeking " + line);
    SearchFolderResult result{line};
    line = NormalizeSeparators(line);
    if (!line.empty() && line.back() == '/') line.pop_back();
    result.exists = FolderExists(line.empty() ? "/" : line);
    ClearSongList(g);
    SearchBMSFolder(g, line);
    line.pop_back();  // the "/" the walk made sure of
    result.charts = static_cast<int32_t>(g.library.SongList.size());
    RecordSearchResult(g, std::move(result));
    if (g.library.SongList.empty()) continue;
    const std::string list_file = g.paths.In("jukelist/" + FileNameOf(line) + ".kbl");
    if (!SaveListFile(g, list_file, true)) g.library.UnsavedListFiles.push_back(list_file);
  }
  UpdateJukeList(g);
  DebugLog(g, "found " + SearchSummary(g.library.SearchResults, kTextsEn));
  if (!g.library.SongList.empty()) {
    DebugLog(g, "complete.", -1);
    g.library.ProgressTitle = SearchOutcomeTitle(g.library.UnsavedListFiles, TextsOf(g));
    return true;
  }
  DebugLog(g, "No BMSs", -1);
  ShowMessageBox("No BMSs",
                 TextsOf(g).message_no_charts,
                 MessageBoxKind::Critical, !g.options.headless);
  return false;
}

}  // namespace kvx
