#include "app/command_line.h"

#include <cerrno>
#include <cstdlib>

#include <charconv>

#include "app/game.h"
#include "library/jukebox.h"
#include "library/song_search.h"
#include "platform/text.h"

namespace kvx {

namespace {
constexpr char kSpacePlaceholder = '\x01';  // cannot occur in a file name
}

std::vector<std::string> SplitCommandLine(const std::string& text) {
  std::string joined;
  if (text.find('"') != std::string::npos) {
    auto pieces = Split(text, '"');
    for (size_t i = 0; i < pieces.size(); ++i) {
      if (i % 2 == 1)
        for (char& c : pieces[i])
          if (c == ' ') c = kSpacePlaceholder;
      joined += pieces[i];
    }
  } else {
    joined = text;
  }
  std::vector<std::string> args;
  for (auto& arg : Split(joined, ' ')) {
    for (char& c : arg)
      if (c == kSpacePlaceholder) c = ' ';
    args.push_back(arg);
  }
  return args;
}

std::string JoinCommandLine(const std::vector<std::string>& args) {
  std::string text;
  for (const auto& arg : args) {
    if (!text.empty()) text += ' ';
    if (arg.find(' ') != std::string::npos)
      text += '"' + arg + '"';
    else
      text += arg;
  }
  return text;
}

namespace {

// A seed is a decimal number that fits in 32 bits.
constexpr const char* kSeedError = "--seed needs a whole number from 0 to 18446744073709551615";

bool ParseSeed(const std::string& text, std::optional<uint64_t>* seed) {
  if (text.empty() || text.size() > 20 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  errno = 0;
  const unsigned long long value = std::strtoull(text.c_str(), nullptr, 10);
  if (errno == ERANGE) return false;
  *seed = static_cast<uint64_t>(value);
  return true;
}

}  // namespace

OwnOptions ParseOwnOptions(const std::vector<std::string>& args, std::string* error) {
  OwnOptions options;
  std::vector<std::string> rest;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--data" && i + 1 < args.size()) {
      options.data_folder = args[++i];
    } else if (a.rfind("--data=", 0) == 0) {
      options.data_folder = a.substr(7);
    } else if (a == "--windowed") {
      options.windowed = true, options.fullscreen = false;
    } else if (a == "--fullscreen") {
      options.fullscreen = true, options.windowed = false;
    } else if (a == "--headless") {
      options.headless = true;
    } else if (a == "--no-menu") {
      options.no_menu = true;
    } else if (a == "--autoplay") {
      options.autoplay = true;
    } else if (a == "--help" || a == "-h") {
      options.help = true;
    } else if (a == "--version") {
      options.version = true;
    } else if (a == "--seed" || a.rfind("--seed=", 0) == 0) {
      const bool joined = a != "--seed";
      if ((!joined && i + 1 >= args.size()) || !ParseSeed(joined ? a.substr(7) : args[++i], &options.seed)) {
        if (error) *error = kSeedError;
      }
    } else if (a == "--check") {
      // The rest are charts; a --seed among them still counts.
      while (i + 1 < args.size()) {
        const std::string& next = args[++i];
        if (next == "--seed") {
          if (i + 1 >= args.size() || !ParseSeed(args[++i], &options.seed)) {
            if (error) *error = kSeedError;
          }
        } else {
          options.check.push_back(next);
        }
      }
      if (options.check.empty() && error) *error = "--check needs at least one chart file";
    } else if (a == "--chart-info") {
      while (i + 1 < args.size()) options.chart_info.push_back(args[++i]);
      if (options.chart_info.empty() && error) *error = "--chart-info needs at least one chart file";
    } else if (a.rfind("--", 0) == 0) {
      if (error) *error = "unknown option " + a;
    } else {
      rest.push_back(a);
    }
  }
  options.rest = JoinCommandLine(rest);
  return options;
}

std::string PortUsage() {
  return "usage: korvex [options] [-B|-B-] [-W|-W-] [-S] [chart.bms ...] [list.kpl]\n"
         "       korvex --check [--seed N] chart.bms ...\n"
         "  --data DIR         use DIR as the program folder (holds _kvxfiles); also KORVEX_HOME\n"
         "  --windowed         play in a window (default)\n"
         "  --fullscreen       play full screen\n"
         "  --headless         no window and no sound device (tests, tools)\n"
         "  --no-menu          skip the startup menu and start at once\n"
         "  --autoplay         play charts automatically (demo mode)\n"
         "  --seed N           choose the #RANDOM branches of charts from N (same N, same chart)\n"
         "  --chart-info F...  print what the chart files hold and exit\n"
         "  --check F...       play each chart in demo mode without window or sound, print one\n"
         "                     line per chart, exit 0 when all played to the end (1 otherwise)\n"
         "  --seed N           the seed of the charts' random choices (#RANDOM)\n"
         "  --version          print the version and exit\n"
         "  --help             this text\n"
         "  -B / -B-           show / hide background images\n"
         "  -W / -W-           load / skip key sounds\n"
         "  -S                 end the program after the chart given here (and its result screen)\n";
}

CommandLineResult ParseCommandLine(Game& g, const std::string& text) {
  CommandLineResult result;
  for (const auto& arg : SplitCommandLine(text)) {
    if (arg.empty()) continue;
    std::string head = ToUpperAscii(arg.substr(0, 2));
    char third = arg.size() > 2 ? arg[2] : '\0';
    bool option = head.size() == 2 && (head[0] == '-' || head[0] == '/');
    char letter = option ? head[1] : '\0';
    if (option && (letter == 'P' || letter == 'Q')) continue;
    if (option && letter == 'S') {
      g.app.PlayStop = true;
      g.app.ExitAfterPlay = true;
      continue;
    }
    if (option && letter == 'B') {
      g.settings.NoBGA = third == '-';
      continue;
    }
    if (option && letter == 'W') {
      g.settings.NoWAV = third == '-';
      continue;
    }
    if (EndsWithNoCase(arg, ".KPL")) {
      LoadListFile(g, arg, false);
      ++result.lists_loaded;
      continue;
    }
    if (result.charts_added == 0) {
      ClearSongList(g);
      ++result.lists_cleared;
    }
    AddSongFile(g, arg);
    ++result.charts_added;
  }
  if (result.charts_added > 0) g.app.play_first_entry = true;
  return result;
}

}  // namespace kvx
