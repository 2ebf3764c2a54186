// The header scan of the song library, fed the bytes of a chart file; the
// entry it makes must survive the list file unchanged.
#include "chart/bms_commands.h"
#include "fuzz_game.h"
#include "library/list_file.h"
#include "library/song_search.h"

using namespace kvx;

namespace {

bool SameEntry(const SongEntry& a, const SongEntry& b) {
  auto same_float = [](float x, float y) { return x == y || (x != x && y != y); };
  return a.Title == b.Title && a.Artist == b.Artist && a.Genre == b.Genre && same_float(a.Bpm, b.Bpm) &&
         a.Player == b.Player && a.PlayLevel == b.PlayLevel && a.MidiFile == b.MidiFile && a.Rank == b.Rank &&
         a.VolWav == b.VolWav && a.Total == b.Total && a.LengthMs == b.LengthMs && a.StageFile == b.StageFile &&
         a.WavCount == b.WavCount && a.BmpCount == b.BmpCount && a.FilePath == b.FilePath;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  const HeaderScanRules rules{(fuzz::Choice(bytes) & 1) != 0, fuzz::Choice(bytes)};
  SongEntry entry;
  ScanBMSHeaderText("/songs/fuzz.bms", ChartTextFromBytes(bytes, rules.modernCharts), entry, rules);
  FormatPlayTime(entry.LengthMs);

  // Texts longer than a list file's field are cut there; shorter ones come back as they were.
  const DecodedList back = DecodeListFile(EncodeListFile({entry}));
  if (!back.complete || back.entries.size() != 1) fuzz::Fail();
  for (const std::string* text : {&entry.Title, &entry.Artist, &entry.Genre, &entry.MidiFile, &entry.StageFile})
    if (text->size() > kMaxListTextBytes) return 0;
  if (!SameEntry(entry, back.entries[0])) fuzz::Fail();
  return 0;
}
