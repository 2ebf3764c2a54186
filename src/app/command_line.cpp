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

// The options of the chart tools, also accepted among their files: args[i]
// (and the value after it) when it is one of them.
bool ParseToolOption(const std::vector<std::string>& args, size_t& i, OwnOptions& options, std::string* error) {
  const std::string& a = args[i];
  if (a == "--seed" || a.rfind("--seed=", 0) == 0) {
    const bool joined = a != "--seed";
    if ((!joined && i + 1 >= args.size()) || !ParseSeed(joined ? a.substr(7) : args[++i], &options.seed)) {
      if (error) *error = kSeedError;
    }
  } else if (a == "--classic" || a == "--modern") {
    options.modern_charts = a == "--modern";
  } else if (a == "--verbose") {
    options.verbose = true;
  } else {
    return false;
  }
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
    } else if (a == "--calibrate") {
      options.calibrate = true;
    } else if (a == "--help" || a == "-h") {
      options.help = true;
    } else if (a == "--version") {
      options.version = true;
    } else if (ParseToolOption(args, i, options, error)) {
      // --seed, --classic, --modern, --verbose
    } else if (a == "--audio-latency" || a == "--max-fps") {
      int value = -1;
      if (i + 1 < args.size()) {
        const std::string& text = args[++i];
        const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
        if (r.ec != std::errc{} || r.ptr != text.data() + text.size()) value = -1;
      }
      if (value < 0 || value > 1000) {
        if (error) *error = a + " needs a whole number from 0 to 1000";
      } else if (a == "--max-fps") {
        options.max_fps = value;
      } else {
        options.audio_latency_ms = value;
      }
    } else if (a == "--host") {
      options.net_host = true;
      // An optional port follows.
      if (i + 1 < args.size() && !args[i + 1].empty() &&
          args[i + 1].find_first_not_of("0123456789") == std::string::npos) {
        const std::string& port = args[++i];
        const long value = port.size() <= 5 ? std::stol(port) : 0;
        if (value < 1 || value > 65535) {
          if (error) *error = "--host takes a port from 1 to 65535";
        } else {
          options.net_port = static_cast<uint16_t>(value);
        }
      }
    } else if (a == "--join") {
      if (i + 1 < args.size()) options.net_join = args[++i];
      if (options.net_join.empty() && error) *error = "--join needs HOST or HOST:PORT";
    } else if (a == "--bind") {
      if (i + 1 < args.size()) options.net_bind = args[++i];
      if (options.net_bind.empty() && error) *error = "--bind needs an IPv4 address";
    } else if (a == "--players") {
      const std::string count = i + 1 < args.size() ? args[++i] : "";
      if (count.size() != 1 || count[0] < '1' || count[0] > '5') {
        if (error) *error = "--players takes a number from 1 to 5";
      } else {
        options.net_players = count[0] - '0';
      }
    } else if (a == "--name") {
      if (i + 1 < args.size()) options.net_name = args[++i];
      if (options.net_name.empty() && error) *error = "--name needs a player name";
    } else if (a == "--check" || a == "--chart-info") {
      // The rest are charts; the tool options among them still count.
      std::vector<std::string>& files = a == "--check" ? options.check : options.chart_info;
      while (i + 1 < args.size()) {
        ++i;
        if (!ParseToolOption(args, i, options, error)) files.push_back(args[i]);
      }
      if (files.empty() && error) *error = a + " needs at least one chart file";
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
         "       korvex --check [--seed N] [--classic|--modern] [--verbose] chart.bms ...\n"
         "  --data DIR         use DIR as the program folder (holds _kvxfiles); also KORVEX_HOME\n"
         "  --windowed         play in a window (default)\n"
         "  --fullscreen       play full screen\n"
         "  --headless         no window and no sound device (tests, tools)\n"
         "  --no-menu          skip the startup menu and start at once\n"
         "  --autoplay         play charts automatically (demo mode)\n"
         "  --calibrate        open the calibration (judge offset) before the menu or game\n"
         "  --seed N           choose the #RANDOM branches of charts from N (same N, same chart)\n"
         "  --audio-latency MS sound buffer in ms (the AudioLatencyMs setting; 0: the device's own)\n"
         "  --max-fps N        draw at most N frames per second\n"
         "  --chart-info F...  print what the chart files hold and exit\n"
         "  --check F...       play each chart in demo mode without window or sound, print one\n"
         "                     line per chart, exit 0 when all played to the end (1 otherwise)\n"
         "  --host [PORT]      host a network battle (UDP port, default 27615) and start at once\n"
         "  --join HOST[:PORT] join the network battle hosted at HOST\n"
         "  --name NAME        the player name of the network battle\n"
         "  --players N        with --host and a chart: choose the chart once N players are in\n"
         "  --bind ADDRESS     the battle's UDP socket listens on ADDRESS only (default: all)\n"
         "  --classic          --check and --chart-info read by the classic chart rules\n"
         "  --modern           ... by the modern chart rules (default: the ModernCharts setting)\n"
         "  --verbose          --check lists every missing file (else the count and the first few)\n"
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
