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

std::array<std::string, 2> HelpLines(const Texts& t, Screen mode) {
  switch (mode) {
    case Screen::JukeboxList: return {t.help_jukebox_1, t.help_jukebox_2};
    case Screen::SongList: return {t.help_songs_1, t.help_songs_2};
    case Screen::CourseList: return {t.help_courses_1, t.help_courses_2};
    case Screen::CourseNameEntry: return {t.help_course_name, ""};
    case Screen::NetWaitPreview: return {t.help_net_wait_choice, ""};
    case Screen::NetWaitChoice: return {t.help_net_wait_loading, ""};
    default: return {"", ""};
  }
}

std::string ExtraHelpKeys(const Texts& t, Screen mode) {
  switch (mode) {
    case Screen::SongList: return t.help_extra_songs;
    case Screen::JukeboxList: return t.help_extra_jukebox;
    case Screen::CourseList: return t.help_extra_courses;
    default: return {};
  }
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
