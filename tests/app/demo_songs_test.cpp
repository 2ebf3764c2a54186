// Checks the demo song pack the build generates into <build>/songs with a
// small chart parser of its own: files named by the charts exist and load,
// lengths, lanes, chords and density fit the levels, and every chart of a
// song carries the same arrangement (notes + background sounds).
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/files.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

const std::string kSongs = std::string(KVX_BUILD_DIR) + "/songs";

struct Obj {
  int measure, channel, value;
  double offset;  // 0..1 within the measure
};

struct ParsedChart {
  std::string path, folder, text;
  std::map<std::string, std::string> header;  // upper-case keyword -> argument
  std::map<int, std::string> wav, bmp;
  std::vector<Obj> objects;
  std::map<int, double> measure_length;
  int last_measure = 0;
  std::vector<std::string> errors;

  double Length(int m) const {
    auto it = measure_length.find(m);
    return it == measure_length.end() ? 1.0 : it->second;
  }
  double Position(int measure, double offset) const {
    double p = 0;
    for (int m = 0; m < measure; ++m) p += 192 * Length(m);
    return p + 192 * Length(measure) * offset;
  }
  // Milliseconds at a position (1/192 of a full measure), following the BPM changes.
  double Ms(double pos) const {
    std::vector<std::pair<double, int>> changes;
    for (const Obj& o : objects)
      if (o.channel == 3) changes.push_back({Position(o.measure, o.offset), o.value});
    std::sort(changes.begin(), changes.end());
    double bpm = std::stod(header.at("BPM")), ms = 0, at = 0;
    for (const auto& [p, b] : changes) {
      if (p >= pos) break;
      ms += (p - at) * 1250.0 / bpm;
      at = p, bpm = b;
    }
    return ms + (pos - at) * 1250.0 / bpm;
  }
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

int HexId(const std::string& s) {
  if (s.size() != 2 || HexDigit(s[0]) < 0 || HexDigit(s[1]) < 0) return -1;
  return HexDigit(s[0]) * 16 + HexDigit(s[1]);
}

bool IsDigits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

ParsedChart Parse(const std::string& path) {
  ParsedChart c;
  c.path = path;
  c.folder = fs::path(path).parent_path().string();
  c.text = kvx::ReadFileBytes(path).value_or("");
  const std::string& t = c.text;
  for (size_t i = 0; i < t.size(); ++i)
    if (t[i] == '\n' && (i == 0 || t[i - 1] != '\r')) c.errors.push_back("line end without CR at byte " + std::to_string(i));
  size_t start = 0;
  while (start < t.size()) {
    size_t end = t.find("\r\n", start);
    if (end == std::string::npos) end = t.size();
    std::string line = t.substr(start, end - start);
    start = end + 2;
    if (line.empty()) continue;
    if (line[0] != '#') {
      c.errors.push_back("not a command: " + line);
      continue;
    }
    std::string cmd = line.substr(1);
    if (cmd.size() > 6 && IsDigits(cmd.substr(0, 5)) && cmd[5] == ':') {
      int measure = std::stoi(cmd.substr(0, 3)), channel = std::stoi(cmd.substr(3, 2));
      std::string data = cmd.substr(6);
      c.last_measure = std::max(c.last_measure, measure);
      if (channel == 2) {
        c.measure_length[measure] = std::stod(data);
        continue;
      }
      if (data.size() % 2) c.errors.push_back("odd data length: " + line);
      size_t n = data.size() / 2;
      for (size_t i = 0; i < n; ++i) {
        std::string pair = data.substr(2 * i, 2);
        if (pair == "00") continue;
        int v = HexId(pair);
        if (v <= 0) c.errors.push_back("bad id " + pair + " in " + line);
        c.objects.push_back({measure, channel, v, static_cast<double>(i) / n});
      }
      continue;
    }
    size_t space = cmd.find(' ');
    std::string key = cmd.substr(0, space), arg = space == std::string::npos ? "" : cmd.substr(space + 1);
    std::transform(key.begin(), key.end(), key.begin(), ::toupper);
    if ((key.rfind("WAV", 0) == 0 || key.rfind("BMP", 0) == 0) && key.size() == 5) {
      int id = HexId(key.substr(3));
      if (id <= 0) c.errors.push_back("bad definition id: " + line);
      auto& table = key[0] == 'W' ? c.wav : c.bmp;
      if (table.count(id)) c.errors.push_back("id defined twice: " + line);
      table[id] = arg;
    } else {
      c.header[key] = arg;
    }
  }
  return c;
}

std::vector<std::string> AllCharts() {
  std::vector<std::string> out;
  if (!fs::is_directory(kSongs)) return out;
  for (const auto& e : fs::recursive_directory_iterator(kSongs)) {
    std::string ext = e.path().extension().string();
    if (e.is_regular_file() && (ext == ".bms" || ext == ".bme")) out.push_back(e.path().string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

bool IsLane(int ch) { return (ch >= 11 && ch <= 16) || ch == 18 || ch == 19; }

// The sound file a chart name resolves to: as named, else with .ogg.
std::string SoundFile(const ParsedChart& c, const std::string& name) {
  std::string p = c.folder + "/" + name;
  if (kvx::FileExists(p)) return p;
  std::string ogg = p.substr(0, p.rfind('.')) + ".ogg";
  return kvx::FileExists(ogg) ? ogg : "";
}

TEST(DemoSongs, EveryChartIsWellFormedAndPlayable) {
  std::vector<std::string> charts = AllCharts();
  ASSERT_GE(charts.size(), 6u) << "no demo charts in " << kSongs;
  EXPECT_TRUE(kvx::FileExists(kSongs + "/README.txt"));
  std::set<std::string> folders;
  bool any_bpm_change = false, any_short_measure = false, any_wav_fallback = false, any_direct_ogg = false;
  SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
  for (const std::string& path : charts) {
    SCOPED_TRACE(path);
    ParsedChart c = Parse(path);
    folders.insert(c.folder);
    EXPECT_EQ(c.text.substr(0, 2), "\r\n") << "the first line must be empty";
    EXPECT_TRUE(c.errors.empty()) << c.errors.front();
    for (const char* key : {"PLAYER", "GENRE", "TITLE", "ARTIST", "BPM", "PLAYLEVEL", "RANK", "TOTAL", "STAGEFILE"})
      EXPECT_TRUE(c.header.count(key)) << "missing #" << key;
    EXPECT_EQ(c.header["PLAYER"], "1");
    ASSERT_TRUE(c.header.count("BPM") && c.header.count("PLAYLEVEL"));
    int level = std::stoi(c.header["PLAYLEVEL"]);

    // Named files exist and decode.
    for (const auto& [id, name] : c.wav) {
      std::string file = SoundFile(c, name);
      ASSERT_FALSE(file.empty()) << "missing sound " << name;
      if (file.size() > 4 && file.substr(file.size() - 4) != name.substr(name.size() - 4)) any_wav_fallback = true;
      if (name.size() > 4 && name.substr(name.size() - 4) == ".ogg") any_direct_ogg = true;
      SF_INFO info{};
      SNDFILE* f = sf_open(file.c_str(), SFM_READ, &info);
      ASSERT_NE(f, nullptr) << "cannot decode " << file;
      EXPECT_GT(info.frames, 1000) << file;
      EXPECT_LT(info.frames, info.samplerate * 6) << file;
      sf_close(f);
    }
    for (const auto& [id, name] : c.bmp) {
      SDL_Surface* s = IMG_Load((c.folder + "/" + name).c_str());
      ASSERT_NE(s, nullptr) << "cannot load image " << name;
      EXPECT_LE(s->w, 256);
      EXPECT_LE(s->h, 256);
      SDL_FreeSurface(s);
    }
    SDL_Surface* stage = IMG_Load((c.folder + "/" + c.header["STAGEFILE"]).c_str());
    ASSERT_NE(stage, nullptr) << "cannot load stage image";
    EXPECT_EQ(stage->w, 640);
    EXPECT_EQ(stage->h, 480);
    SDL_FreeSurface(stage);

    // Objects name defined ids on known channels.
    std::map<int, int> per_channel;
    for (const Obj& o : c.objects) {
      ++per_channel[o.channel];
      if (o.channel == 1 || IsLane(o.channel))
        EXPECT_TRUE(c.wav.count(o.value)) << "undefined sound " << o.value << " on channel " << o.channel;
      else if (o.channel == 4 || o.channel == 6 || o.channel == 7)
        EXPECT_TRUE(c.bmp.count(o.value)) << "undefined image " << o.value << " on channel " << o.channel;
      else
        EXPECT_EQ(o.channel, 3) << "unexpected channel";
    }
    if (per_channel[3] > 0) any_bpm_change = true;
    for (const auto& [m, len] : c.measure_length)
      if (len != 1.0) any_short_measure = true;
    EXPECT_GT(per_channel[1], 100) << "background arrangement";
    EXPECT_GT(per_channel[4], 20) << "base animation";
    EXPECT_EQ(per_channel[6], 1) << "poor image";
    EXPECT_GT(per_channel[16], 0) << "scratch notes";

    // Length: the play runs to the end of the last measure; the song list
    // counts to its start. Both between one and two minutes.
    double end_ms = c.Ms(c.Position(c.last_measure + 1, 0));
    double list_ms = c.Ms(c.Position(c.last_measure, 0));
    EXPECT_GE(list_ms, 60000);
    EXPECT_LE(end_ms, 120000);

    // Notes: lanes never repeat faster than a 16th at 150 BPM, chords stay
    // small, density fits the level.
    std::map<int, std::vector<double>> lane_times;
    std::map<long, int> chord;
    int notes = 0;
    for (const Obj& o : c.objects) {
      if (!IsLane(o.channel)) continue;
      ++notes;
      double ms = c.Ms(c.Position(o.measure, o.offset));
      lane_times[o.channel].push_back(ms);
      ++chord[std::lround(ms * 10)];
    }
    for (auto& [lane, times] : lane_times) {
      std::sort(times.begin(), times.end());
      for (size_t i = 1; i < times.size(); ++i)
        EXPECT_GE(times[i] - times[i - 1], 99.9) << "lane " << lane << " at " << times[i] << " ms";
    }
    int widest = 0;
    for (const auto& [at, n] : chord) widest = std::max(widest, n);
    EXPECT_LE(widest, level <= 3 ? 2 : 3);
    double per_second = notes * 1000.0 / end_ms;
    if (level <= 3) {
      EXPECT_GE(per_second, 1.2);
      EXPECT_LE(per_second, 2.6);
    } else if (level >= 7) {
      EXPECT_GE(per_second, 5.0);
      EXPECT_LE(per_second, 10.0);
    }
    if (fs::path(path).filename().string().find('5') == std::string::npos) {
      EXPECT_GT(per_channel[18] + per_channel[19], 0) << "7-key chart uses keys 6 and 7";
    }
  }
  EXPECT_GE(folders.size(), 3u);
  EXPECT_TRUE(any_bpm_change);
  EXPECT_TRUE(any_short_measure);
  EXPECT_TRUE(any_wav_fallback) << "some chart should name .wav files shipped as .ogg";
  EXPECT_TRUE(any_direct_ogg);
}

// Every chart of a song plays the whole arrangement: its notes plus its
// background sounds are the same set of (time, sound) in each chart.
TEST(DemoSongs, ChartsOfASongShareTheArrangement) {
  std::map<std::string, std::vector<ParsedChart>> by_folder;
  for (const std::string& path : AllCharts()) {
    ParsedChart c = Parse(path);
    by_folder[c.folder].push_back(std::move(c));
  }
  ASSERT_GE(by_folder.size(), 3u);
  for (const auto& [folder, charts] : by_folder) {
    SCOPED_TRACE(folder);
    ASSERT_GE(charts.size(), 2u) << "each song has charts of different levels";
    std::multiset<std::pair<long, std::string>> first;
    std::set<std::string> levels;
    for (size_t k = 0; k < charts.size(); ++k) {
      const ParsedChart& c = charts[k];
      levels.insert(c.header.at("PLAYLEVEL"));
      std::multiset<std::pair<long, std::string>> sounds;
      for (const Obj& o : c.objects)
        if (o.channel == 1 || IsLane(o.channel))
          sounds.insert({std::lround(c.Position(o.measure, o.offset)), c.wav.at(o.value)});
      if (k == 0)
        first = sounds;
      else
        EXPECT_TRUE(sounds == first) << c.path << " differs from " << charts[0].path;
    }
    EXPECT_EQ(levels.size(), charts.size());
  }
}

// Running the generator again gives the same charts and pictures.
TEST(DemoSongs, GenerationIsDeterministic) {
  kvx::test::TempFolder tmp;
  std::string cmd = std::string("\"") + KVX_BUILD_DIR + "/kvx_assetgen\" \"" + tmp.path() + "\" >/dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  int compared = 0;
  uint64_t total = 0;
  for (const auto& e : fs::recursive_directory_iterator(kSongs)) {
    if (!e.is_regular_file()) continue;
    total += e.file_size();
    std::string ext = e.path().extension().string();
    if (ext != ".bms" && ext != ".bme" && ext != ".bmp" && ext != ".png" && ext != ".txt") continue;
    std::string rel = fs::relative(e.path(), kSongs).string();
    auto again = kvx::ReadFileBytes(tmp.path() + "/songs/" + rel);
    ASSERT_TRUE(again.has_value()) << rel;
    EXPECT_TRUE(*again == kvx::ReadFileBytes(e.path().string()).value_or("")) << rel << " changed";
    ++compared;
  }
  EXPECT_GT(compared, 20);
  EXPECT_LT(total, 8u * 1024 * 1024) << "the demo pack should stay small";
}

}  // namespace
