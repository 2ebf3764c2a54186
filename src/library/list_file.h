#pragma once
// The list file (".kbl" jukeboxes, ".KPL" play lists): "kvx_juke", 11 zero
// bytes, the byte 1, the last index (signed 32-bit) at offset 20, then the
// SongEntry records from offset 24. Texts are a 16-bit length and that many
// UTF-8 bytes; Bpm is an IEEE single; every other field a signed 32-bit
// integer; all little-endian. LoadListFile and SaveListFile are declared in
// jukebox.h.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "library/library_state.h"

namespace kvx {

constexpr size_t kListHeaderBytes = 24;
// The smallest record: six empty texts and nine numbers.
constexpr size_t kMinListRecordBytes = 6 * 2 + 9 * 4;
// A text field holds at most this many bytes; longer text is cut at a
// character boundary.
constexpr size_t kMaxListTextBytes = 65535;

// The bytes of a list file holding `entries`.
std::string EncodeListFile(const std::vector<SongEntry>& entries);

struct DecodedList {
  std::vector<SongEntry> entries;  // the complete records that are really there
  bool complete = false;           // false: short header, bad index or truncated records
};
// Reads the records a list file announces, as far as the bytes hold them;
// never allocates for more records than the bytes can hold.
DecodedList DecodeListFile(std::string_view bytes);
// Why the bytes do not start like a list file ("kvx_juke", 11 zero bytes, the
// byte 1, a last index of -1 or more); empty when they do.
std::string ListFileHeaderProblem(std::string_view bytes);

}  // namespace kvx
