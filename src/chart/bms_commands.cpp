#include "chart/bms_commands.h"

#include <array>

#include "chart/chart_text.h"
#include "platform/files.h"
#include "platform/text.h"

namespace kvx {

std::string LoadChartText(const std::string& path, bool modernCharts, ChartTextInfo* info) {
  ChartTextInfo local;
  ChartTextInfo& out = info ? *info : local;
  out = ChartTextInfo{};
  if (auto size = FileSize(path)) {
    out.size = *size;
    if (*size > kMaxChartFileBytes) out.tooLarge = true;
  }
  std::optional<std::string> bytes;
  if (!out.tooLarge) bytes = ReadFileBytes(path);
  out.readable = bytes.has_value();
  return ChartTextFromBytes(bytes.value_or(""), modernCharts, &out);
}

std::string ChartTextFromBytes(std::string_view bytes, bool modernCharts, ChartTextInfo* info) {
  const char* encoding = "UTF-8";
  std::string text = DecodeChartBytes(bytes.substr(0, bytes.find('\0')), modernCharts, &encoding);
  if (info) info->encoding = encoding;
  // Lone CR (old Mac) and lone LF (Unix) line ends are read like CR LF.
  const bool converted = NormalizeLineEnds(text);
  if (info) info->lineEndsConverted = converted;
  return text;
}

size_t FirstCommandCharacter(std::string_view text) {
  const size_t pos = text.find("\r\n#");
  if (pos == std::string_view::npos) return 0;
  return Utf8Length(text.substr(0, pos + 3)) + 1;
}

namespace {

struct Keyword {
  const char* text;
  Command kind;
};

// The classic rule: three letters, then six for PLAYER and PLAYLEVEL.
CommandMatch MatchClassic(std::string_view line) {
  const std::string key3 = KeywordUpper(line, 3);
  const std::string_view id = line.size() >= 5 ? line.substr(3, 2) : line.size() > 3 ? line.substr(3) : std::string_view{};
  static constexpr std::array<std::pair<const char*, std::pair<Command, size_t>>, 10> kThree{{
      {"STA", {Command::StageFile, 11}},
      {"TIT", {Command::Title, 7}},
      {"ART", {Command::Artist, 8}},
      {"GEN", {Command::Genre, 7}},
      {"BPM", {Command::Bpm, 5}},
      {"IF ", {Command::If, 4}},
      {"TOT", {Command::Total, 7}},
      {"VOL", {Command::VolWav, 8}},
      {"MID", {Command::MidiFile, 10}},
      {"WAV", {Command::Wav, 7}},
  }};
  if (key3 == "BMP") return {Command::Bmp, 7, id};
  for (const auto& [text, what] : kThree)
    if (key3 == text) return {what.first, what.second, what.first == Command::Wav ? id : std::string_view{}};
  if (key3 == "RAN") {
    const std::string key4 = KeywordUpper(line, 4);
    if (key4 == "RANK") return {Command::Rank, 6, {}};
    if (key4 == "RAND") return {Command::Random, 8, {}};
    return {Command::RanOther, 6, {}};
  }
  const std::string key6 = KeywordUpper(line, 6);
  if (key6 == "PLAYER") return {Command::Player, 8, {}};
  if (key6 == "PLAYLE") return {Command::PlayLevel, 11, {}};
  return {};
}

// The whole keyword, with the extended commands.
CommandMatch MatchModern(std::string_view line) {
  size_t length = 0;
  while (length < line.size() && line[length] != ' ' && line[length] != '\t') ++length;
  const std::string key = KeywordUpper(line, length);
  const size_t argument = length + 1;
  static constexpr std::array<Keyword, 22> kWhole{{
      {"BPM", Command::Bpm},
      {"TITLE", Command::Title},
      {"SUBTITLE", Command::SubTitle},
      {"ARTIST", Command::Artist},
      {"SUBARTIST", Command::SubArtist},
      {"GENRE", Command::Genre},
      {"STAGEFILE", Command::StageFile},
      {"BANNER", Command::Banner},
      {"PLAYER", Command::Player},
      {"PLAYLEVEL", Command::PlayLevel},
      {"RANK", Command::Rank},
      {"DIFFICULTY", Command::Difficulty},
      {"TOTAL", Command::Total},
      {"VOLWAV", Command::VolWav},
      {"MIDIFILE", Command::MidiFile},
      {"LNTYPE", Command::LnType},
      {"LNOBJ", Command::LnObj},
      {"RANDOM", Command::Random},
      {"SETRANDOM", Command::SetRandom},
      {"IF", Command::If},
      {"ELSEIF", Command::ElseIf},
      {"ELSE", Command::Else},
  }};
  for (const Keyword& k : kWhole)
    if (key == k.text) return {k.kind, argument, {}};
  if (key == "ENDIF") return {Command::EndIf, argument, {}};
  if (key == "ENDRANDOM") return {Command::EndRandom, argument, {}};
  // Keywords with a two-character id.
  struct IdKeyword {
    const char* prefix;
    size_t size;
    Command kind;
  };
  static constexpr std::array<IdKeyword, 5> kWithId{{
      {"WAV", 3, Command::Wav},
      {"BMP", 3, Command::Bmp},
      {"BPM", 3, Command::ExtendedBpm},
      {"EXBPM", 5, Command::ExtendedBpm},
      {"STOP", 4, Command::Stop},
  }};
  for (const IdKeyword& k : kWithId)
    if (length == k.size + 2 && key.compare(0, k.size, k.prefix) == 0) return {k.kind, argument, line.substr(k.size, 2)};
  return {};
}

}  // namespace

CommandMatch MatchCommand(std::string_view line, bool modernCharts) {
  if (!line.empty() && line.front() >= '0' && line.front() <= '9') return {Command::Channel, 7, {}};
  return modernCharts ? MatchModern(line) : MatchClassic(line);
}

std::string CommandArgument(std::string_view line, const CommandMatch& match) {
  return ArgumentFrom(line, match.argumentFrom);
}

}  // namespace kvx
