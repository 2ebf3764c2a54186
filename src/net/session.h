#pragma once
// The battle session on ENet: every copy binds one ENet host; a joiner
// connects to the host, which answers with the session (its id and the other
// players' addresses); the joiner then links with every other player, so the
// players form a full mesh and any of them can take over as host without
// reconnecting. Game messages travel as data frames, reliable and in order.
//
// Polled from the game thread: Poll services ENet and returns what happened
// as events (player created, destroyed, host migrated here, a message, the
// join's outcome). Nothing runs on another thread.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "net/session_frame.h"

typedef struct _ENetHost ENetHost;
typedef struct _ENetPeer ENetPeer;

namespace kvx {

constexpr uint16_t kDefaultBattlePort = 27615;
constexpr uint32_t kSessionTimeoutMs = 5000;      // a join or a vanished peer gives up after this
constexpr uint32_t kPeerTimeoutMaximumMs = 4000;  // ENet's limit for an unanswered packet
constexpr uint32_t kPeerPingIntervalMs = 500;
constexpr size_t kMaxPacketBytes = 64 * 1024;

struct SessionEvent {
  enum class Kind {
    PlayerCreated,    // id joined
    PlayerDestroyed,  // id left or vanished
    HostMigrated,     // this copy is the host now
    Message,          // from sent payload (to 0 = all)
    Joined,           // the join is complete: this copy is a player
    JoinFailed,       // text says why; the session is closed
  };
  Kind kind = Kind::Message;
  int32_t id = 0;
  int32_t from = 0, to = 0;
  std::vector<uint8_t> payload;
  std::string text;
};

// ENet could be set up (sockets are available).
bool NetworkAvailable();
// Milliseconds of the system's steady clock (the same in every process).
uint64_t SteadyMs();
// "a.b.c.d" of an address in network byte order.
std::string Ipv4Text(uint32_t address);
// The IPv4 addresses of this machine's interfaces, loopback last.
std::vector<std::string> LocalAddresses();
// Whether a typed address is an IPv6 one ("fe80::1", "[fe80::1]:4000"); the
// network library speaks IPv4 only.
bool IsIpv6Address(const std::string& text);
// "host" or "host:port"; false for a bad port and for an IPv6 address.
bool SplitHostPort(const std::string& text, std::string* host, uint16_t* port);

class Session {
 public:
  using Log = std::function<void(const std::string&)>;
  explicit Session(Log log);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Binds bind_address:port (port 0 = any free port) and becomes player 1,
  // the host.
  bool Host(const std::string& bind_address, uint16_t port, const std::string& name, std::string* error);
  // Binds bind_address on a free port and starts joining host:port; Poll
  // reports Joined or JoinFailed (within 5 s).
  bool Join(const std::string& bind_address, const std::string& host, uint16_t port, const std::string& name,
            std::string* error);
  // Services ENet until nothing is pending; waits up to wait_ms for the first
  // event. Appends what happened.
  void Poll(std::vector<SessionEvent>& out, uint32_t wait_ms = 0);
  // Sends a game message to a player (0 = every other player), reliable and
  // in order. False when too big or the session is not open.
  bool Send(int32_t from, int32_t to, const std::vector<uint8_t>& payload);
  // Leaves the session: the others see this player destroyed.
  void Close();

  bool open() const { return host_ != nullptr; }
  bool joined() const { return phase_ == Phase::InSession; }
  bool is_host() const { return joined() && host_id_ == local_id_; }
  int32_t local_id() const { return local_id_; }
  int32_t host_id() const { return host_id_; }
  uint16_t port() const;
  // The players in id order, this copy included.
  const std::vector<SessionMember>& players() const { return members_; }
  const SessionMember* FindPlayer(int32_t id) const;

  // Fuzzing: a link with no peer behind it (sends to it go nowhere), and a
  // frame received on it. With to_host the session is joining through it.
  // From then on the session connects to no one.
  int AddDetachedLinkForTest(bool to_host = false);
  // Tests: vanish as a killed process does, telling no one.
  void VanishForTest();
  // Tests: speak another protocol version.
  void SetProtocolVersionForTest(uint16_t version) { version_ = version; }
  void ReceiveForTest(int link, const uint8_t* data, size_t size, std::vector<SessionEvent>& out);

 private:
  enum class Phase { Idle, Joining, Linking, AwaitAdded, InSession };
  enum class Role {
    Incoming,   // connected to us; no greeting yet
    ToHost,     // our link to the host while joining
    MeshOut,    // our link to another player while joining
    Joiner,     // host side: a joiner that was welcomed
    MeshIn,     // a joiner that greeted us to link; waits for Added
    Member,     // a player of the session
  };
  struct Link {
    ENetPeer* peer = nullptr;
    Role role = Role::Incoming;
    int32_t id = 0;
    std::string name;
    uint32_t address = 0;
    uint16_t listen_port = 0;
    uint32_t since_ms = 0;
    bool connected = false;
    bool linked = false;  // MeshOut: the player answered
    std::deque<std::vector<uint8_t>> held;  // MeshIn: messages that came before Added
    std::unique_ptr<SessionFrame> waiting_hello;  // Incoming: answered when the joiner before it is in
  };

  bool Bind(const std::string& bind_address, uint16_t port, std::string* error);
  int NewLink(ENetPeer* peer, Role role);
  Link* FindLink(int link);
  Link* LinkOfPlayer(int32_t id);
  void SendFrame(Link& link, const SessionFrame& frame);
  void Drop(int link, const std::string& why);
  void OnConnect(ENetPeer* peer, std::vector<SessionEvent>& out);
  void OnDisconnect(ENetPeer* peer, std::vector<SessionEvent>& out);
  void OnFrame(int link, const SessionFrame& frame, std::vector<SessionEvent>& out);
  void OnHello(int link, const SessionFrame& frame);
  void OnWelcome(int link, const SessionFrame& frame, std::vector<SessionEvent>& out);
  void OnMeshHello(int link, const SessionFrame& frame);
  void OnLinked(int link, std::vector<SessionEvent>& out);
  void OnAdded(int link, const SessionFrame& frame, std::vector<SessionEvent>& out);
  void OnData(int link, const SessionFrame& frame, std::vector<SessionEvent>& out);
  void CheckLinksDone();
  void ServeWaitingHello();
  void CheckDeadlines(std::vector<SessionEvent>& out);
  void FailJoin(const std::string& why, std::vector<SessionEvent>& out);
  void RemoveMember(int32_t id, std::vector<SessionEvent>& out);
  std::string Refusal(const SessionFrame& hello) const;
  std::string Describe(const Link& link) const;
  void AddMember(const SessionMember& member);
  uint32_t Now() const;

  Log log_;
  uint16_t version_ = kSessionProtocolVersion;
  bool offline_ = false;  // tests: links are made without connecting
  ENetHost* host_ = nullptr;
  Phase phase_ = Phase::Idle;
  std::string name_;
  int32_t local_id_ = 0, host_id_ = 0, next_id_ = 2;
  uint32_t phase_since_ms_ = 0;
  std::vector<SessionMember> members_;
  std::map<int, Link> links_;
  int next_link_ = 1;
};

}  // namespace kvx
