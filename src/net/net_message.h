#pragma once
// The battle's game messages: a 32-bit type code and the fields of that type,
// little-endian. Decoding checks every length against the bytes received.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kvx {

enum class NetMessageType : int32_t {
  Init = 0,
  SongInfo = 2,
  SongDecided = 3,  // USERDETECTSONG
  Ready = 4,
  Standby = 5,
  StartSong = 6,
  End = 7,
  AllEnd = 8,
  GaugeData = 9,
  Attack = 13,
};

struct NetInitEntry {
  int32_t id = 0;
  std::string name;
  bool operator==(const NetInitEntry&) const = default;
};

struct NetSong {
  std::string genre, title, artist;
  uint8_t play_level = 0;
  int32_t length_ms = 0;
  int16_t notes = 0;  // side-1 note count
  bool operator==(const NetSong&) const = default;
};

struct NetGauge {
  uint8_t sample = 0;  // samples taken / 3
  uint8_t gauge = 0;   // 0..100
  float jpoints = 0, score = 0;
  int16_t unused = 0;
  std::array<int16_t, 5> counts{};  // FGREAT, GREAT, GOOD, BAD, POOR
  bool operator==(const NetGauge&) const = default;
};

struct NetMessage {
  int32_t type = 0;
  std::vector<NetInitEntry> players;  // Init
  int32_t game_state = 0;             // Init
  NetSong song;                       // SongInfo, SongDecided
  NetGauge gauge;                     // GaugeData
  uint8_t attack_kind = 0;            // Attack
  bool operator==(const NetMessage&) const = default;
};

// Types that are received and ignored (1, 10, 11, 12) decode to their type alone.
bool IgnoredNetMessageType(int32_t type);
std::vector<uint8_t> EncodeNetMessage(const NetMessage& message);
// False with a reason for a message that is short, has bytes left over, or
// is of an unknown type.
bool DecodeNetMessage(const uint8_t* data, size_t size, NetMessage* message, std::string* error);

}  // namespace kvx
