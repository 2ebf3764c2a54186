#pragma once
// One entry of a song list: a chart's header summary (or a jukebox or a
// course). The library lists them; a course hands its songs to the chart loader.
#include <cstdint>
#include <string>

namespace kvx {

// One entry of a song list. The field order is also the order of the record in
// list and course files.
struct SongEntry {
  std::string Title;
  std::string Artist;
  std::string Genre;
  float Bpm = 0;
  int32_t Player = 0;
  int32_t PlayLevel = 0;
  std::string MidiFile;
  int32_t Rank = 0;
  int32_t VolWav = 0;
  int32_t Total = 0;
  int32_t LengthMs = 0;
  std::string StageFile;
  int32_t WavCount = 0;
  int32_t BmpCount = 0;
  std::string FilePath;
  // What the header scan also reads under the modern chart rules. These are
  // not part of the list-file record (its layout is fixed).
  std::string SubTitle, SubArtist, Banner;
  int32_t Difficulty = 0;  // #DIFFICULTY 1..5, 0 when not given
  int32_t NoteCount = 0;   // notes of both sides, as the play counts them

  bool operator==(const SongEntry&) const = default;
};

}  // namespace kvx
