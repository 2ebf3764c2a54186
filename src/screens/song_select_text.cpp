#include "screens/song_select_text.h"

namespace kvx {

namespace {

struct BracketPair {
  std::string_view opener, closer;
};

// In the order they are tried.
constexpr BracketPair kBrackets[10] = {
    {"-", "-"}, {"\"", "\""}, {"<", ">"}, {"[", "]"}, {"(", ")"},
    {"（", "）"}, {"［", "］"}, {"＜", "＞"}, {"～", "～"}, {"－", "－"},
};

bool EndsWith(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// Shift-JIS titles decode the wave dash and the full-width minus as U+FF5E and
// U+FF0D; titles saved as UTF-8 often carry U+301C and U+2212 for the same
// marks. Both spellings have three bytes, so positions stay the same.
std::string WithShiftJisDashes(std::string_view title) {
  std::string s(title);
  auto swap_all = [&s](std::string_view from, std::string_view to) {
    for (size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += to.size()) s.replace(at, from.size(), to);
  };
  swap_all("\u301C", "\uFF5E");
  swap_all("\u2212", "\uFF0D");
  return s;
}

}  // namespace

SplitTitle SplitSongTitle(std::string_view original) {
  SplitTitle out;
  const std::string searched = WithShiftJisDashes(original);
  const std::string_view title = searched;
  for (const BracketPair& b : kBrackets) {
    // A space followed by the opener: the suffix starts at the opener and the
    // main part ends before the space.
    std::string spaced = " " + std::string(b.opener);
    if (size_t p = title.rfind(spaced); p != std::string_view::npos) {
      out.main = std::string(original.substr(0, p));
      out.sub = std::string(original.substr(p + 1));
    }
    // The title ends with the closer: the suffix starts at the last opener
    // before that closer, and the main part keeps everything before it.
    if (EndsWith(title, b.closer)) {
      size_t before_closer = title.size() - b.closer.size();
      if (before_closer >= b.opener.size()) {
        if (size_t q = title.rfind(b.opener, before_closer - b.opener.size()); q != std::string_view::npos) {
          out.main = std::string(original.substr(0, q));
          out.sub = std::string(original.substr(q));
        }
      }
    }
  }
  if (out.main.empty()) {
    out.main = std::string(original);
    out.sub.clear();
  }
  return out;
}

std::string OrdinalSuffix(int place) {
  switch (place % 10) {
    case 1: return "st";
    case 2: return "nd";
    case 3: return "rd";
    default: return "th";
  }
}

std::array<std::string, 2> HelpLines(Screen mode) {
  switch (mode) {
    case Screen::JukeboxList:
      return {"[ESC]:終了 [TAB]:モード切替", "[↑/↓/PageUP/PageDN]:選択 [→/Enter]:開く"};
    case Screen::SongList:
      return {"[ESC]:終了 [TAB]:モード切替 [←]:JukeBox選択", "[↑/↓/PageUP/PageDN]:選択 [Enter]:決定"};
    case Screen::CourseList:
      return {"[ESC]:終了 [TAB]:モード切替 [スペース]:コース編集", "[↑/↓/PageUP/PageDN]:選択 [Enter]:コース決定"};
    case Screen::CourseNameEntry:
      return {"[ESC]:終了 [Enter]:決定 [文字]:入力", ""};
    case Screen::NetWaitPreview:
      return {"他のプレイヤーが曲を決定するまでしばらくお待ち下さい。", ""};
    case Screen::NetWaitChoice:
      return {"他のプレイヤーの曲読み込み完了を待っています…", ""};
    default:
      return {"", ""};
  }
}

std::string ExtraHelpKeys(Screen mode) {
  if (mode == Screen::SongList) return "[F5]:Random [F6]:Search";
  if (mode == Screen::JukeboxList) return "[F5]:Random";
  return {};
}

DifficultyName DifficultyNameOf(int32_t difficulty) {
  switch (difficulty) {
    case 1: return {"BEGINNER", 0x70E070};
    case 2: return {"NORMAL", 0x70B8FF};
    case 3: return {"HYPER", 0xFFD040};
    case 4: return {"ANOTHER", 0xFF6060};
    case 5: return {"INSANE", 0xD080FF};
    default: return {};
  }
}

}  // namespace kvx
