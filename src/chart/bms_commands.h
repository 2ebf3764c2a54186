#pragma once
// The command lines of a chart file, shared by the chart reader, the header
// scan of the song library and the sound prefetch: reading the file as text,
// the walk over the "CR LF #" command lines, and the keyword match.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kvx {

// What reading a chart file as text found.
struct ChartTextInfo {
  bool readable = false;           // the file was read (false also when too large)
  bool tooLarge = false;           // larger than kMaxChartFileBytes: not read
  uint64_t size = 0;               // bytes on disk
  bool lineEndsConverted = false;  // the file had no CR LF pair
  const char* encoding = "UTF-8";  // what the bytes were decoded from
};

// The whole chart file as UTF-8 text, cut at its first NUL, with every line
// ending CR LF: UTF-8 when valid, else Shift-JIS, and with modernCharts EUC-KR
// when the bytes read as Korean (DecodeChartBytes).
std::string LoadChartText(const std::string& path, bool modernCharts, ChartTextInfo* info = nullptr);
// The same for the bytes of a chart file already read (sets only
// lineEndsConverted of the info).
std::string ChartTextFromBytes(std::string_view bytes, bool modernCharts, ChartTextInfo* info = nullptr);

// The 1-based character position of the first command (the character after
// its "#"), or 0 when the text has none.
size_t FirstCommandCharacter(std::string_view text);

// Calls visit(line) for every command line of the text: the text after each
// CR LF "#" up to the next CR LF, or to the end of the text for the last
// line. The first line of the text is therefore never a command. The walk
// stops early when visit returns false.
template <typename Visit>
void ForEachCommandLine(std::string_view text, Visit&& visit) {
  size_t pos = text.find("\r\n#");
  while (pos != std::string_view::npos) {
    const size_t start = pos + 3;
    const size_t end = text.find("\r\n", start);
    const std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!visit(line)) return;
    if (end == std::string_view::npos) return;
    pos = text.find("\r\n#", end);
  }
}

// The commands the readers act on.
enum class Command {
  None,       // anything else (ignored)
  Channel,    // a channel line: the first character is a decimal digit
  Wav,        // #WAVxx name
  Bmp,        // #BMPxx name
  StageFile,  // #STAGEFILE
  Title,
  Artist,
  Genre,
  Bpm,        // #BPM v (the starting tempo)
  Rank,       // #RANK
  Random,     // #RANDOM
  RanOther,   // any other keyword starting "RAN" (classic rules only)
  If,         // #IF
  Total,
  VolWav,
  MidiFile,
  Player,
  PlayLevel,
  // Read only under the modern chart rules:
  SubTitle,
  SubArtist,
  Difficulty,
  Banner,
  ExtendedBpm,  // #BPMxx v, #EXBPMxx v
  Stop,         // #STOPxx n
  LnType,
  LnObj,
  SetRandom,
  ElseIf,
  Else,
  EndIf,
  EndRandom,
};

struct CommandMatch {
  Command kind = Command::None;
  // The argument starts at this character of the line (1-based, counting from
  // the character after "#"); the readers trim it.
  size_t argumentFrom = 0;
  // The two id characters of WAVxx, BMPxx, BPMxx, EXBPMxx and STOPxx.
  std::string_view id;
};

// Matches a command line (the text after "#").
// Without modernCharts the chart format's classic rule applies: the first
// three letters of the keyword, upper-cased, name the command, then the first
// six for PLAYER and PLAYLEVEL, and the argument starts at a fixed character
// that assumes one separator after the keyword (so "#BPM01 150" is taken as
// "#BPM" with the argument "1 150").
// With modernCharts the whole keyword (up to the first space or tab) is
// compared, the argument is the rest of the line, and the extended commands
// are recognised.
CommandMatch MatchCommand(std::string_view line, bool modernCharts);

// The trimmed argument of a matched command.
std::string CommandArgument(std::string_view line, const CommandMatch& match);

}  // namespace kvx
