#pragma once
// The session layer's frames: the handshake between copies (hello, welcome,
// refusal, mesh links, the announcement of a new player) and the data frames
// that carry game messages between players. The first byte names the frame.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kvx {

// The program's application id: every copy sends it, and a copy refuses a
// hello that carries another.
constexpr std::array<uint8_t, 16> kSessionAppId = {0x6b, 0x76, 0x78, 0x2d, 0x62, 0x61, 0x74, 0x74,
                                                   0x6c, 0x65, 0x1e, 0x94, 0x3a, 0xc7, 0x52, 0x0d};
constexpr uint16_t kSessionProtocolVersion = 1;
constexpr int kSessionMaxPlayers = 5;
// Player ids are small positive numbers that the host counts up from 1; an id
// above this, sent by a broken or hostile copy, is refused, so the counting
// never comes near overflowing.
constexpr int32_t kSessionMaxPlayerId = 1 << 20;
inline bool ValidPlayerId(int32_t id) { return id > 0 && id <= kSessionMaxPlayerId; }

enum class FrameKind : uint8_t {
  Hello = 1,      // joiner to host: asks to join
  Welcome = 2,    // host to joiner: the id given and the players to link with
  Refuse = 3,     // host to joiner: why not
  MeshHello = 4,  // joiner to another player: opens their link
  MeshOk = 5,     // that player's answer
  Linked = 6,     // joiner to host: every link is open
  Added = 7,      // host to all: the joiner is a player now
  Data = 8,       // a game message from one player to one player or all
};

struct SessionMember {
  int32_t id = 0;
  std::string name;
  uint32_t address = 0;  // IPv4, in network byte order as ENet keeps it
  uint16_t port = 0;
  bool operator==(const SessionMember&) const = default;
};

struct SessionFrame {
  FrameKind kind = FrameKind::Data;
  std::array<uint8_t, 16> app_id{};  // Hello, MeshHello
  uint16_t version = 0;              // Hello, MeshHello, Welcome
  uint16_t listen_port = 0;          // Hello, MeshHello
  std::string name;                  // Hello, MeshHello
  int32_t id = 0;                    // Welcome: the joiner's; MeshHello, MeshOk: the sender's
  int32_t host_id = 0;               // Welcome
  std::vector<SessionMember> members;  // Welcome: the players; Added: the one added
  std::string reason;                // Refuse
  int32_t from = 0, to = 0;          // Data (to 0 = all)
  std::vector<uint8_t> payload;      // Data
  bool operator==(const SessionFrame&) const = default;
};

std::vector<uint8_t> EncodeSessionFrame(const SessionFrame& frame);
// False with a reason for a frame that is short, of an unknown kind, lists
// more than five players or has bytes left over.
bool DecodeSessionFrame(const uint8_t* data, size_t size, SessionFrame* frame, std::string* error);

}  // namespace kvx
