#include "net/session.h"

#include <arpa/inet.h>
#include <enet/enet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

#include <algorithm>
#include <chrono>

namespace kvx {

namespace {

constexpr size_t kPeerLimit = 16;          // four players, and room for joiners being refused
constexpr size_t kHeldMessagesLimit = 256;  // messages of a linking joiner kept until it is added
constexpr size_t kWaitingDataLimit = 1 << 20;

bool InitEnetOnce() {
  static const bool ready = enet_initialize() == 0;
  return ready;
}

int LinkOfPeer(const ENetPeer* peer) { return static_cast<int>(reinterpret_cast<intptr_t>(peer->data)); }

bool Loopback(uint32_t address) { return (ntohl(address) >> 24) == 127; }

}  // namespace

bool NetworkAvailable() { return InitEnetOnce(); }

std::string Ipv4Text(uint32_t address) {
  char text[INET_ADDRSTRLEN] = "";
  in_addr a{};
  a.s_addr = address;
  inet_ntop(AF_INET, &a, text, sizeof text);
  return text;
}

std::vector<std::string> LocalAddresses() {
  std::vector<std::string> found, loopback;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return {"127.0.0.1"};
  for (ifaddrs* i = list; i; i = i->ifa_next) {
    if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET) continue;
    const uint32_t a = reinterpret_cast<sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr;
    (Loopback(a) ? loopback : found).push_back(Ipv4Text(a));
  }
  freeifaddrs(list);
  found.insert(found.end(), loopback.begin(), loopback.end());
  return found;
}

bool IsIpv6Address(const std::string& text) {
  return text.find('[') != std::string::npos || text.find(':') != text.rfind(':');
}

bool SplitHostPort(const std::string& text, std::string* host, uint16_t* port) {
  if (IsIpv6Address(text)) return false;
  const size_t colon = text.rfind(':');
  *host = text.substr(0, colon);
  if (colon == std::string::npos) return !host->empty();
  const std::string digits = text.substr(colon + 1);
  if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos) return false;
  const long value = std::stol(digits);
  if (value < 1 || value > 65535) return false;
  *port = static_cast<uint16_t>(value);
  return !host->empty();
}

Session::Session(Log log) : log_(std::move(log)) { InitEnetOnce(); }

Session::~Session() { Close(); }

uint64_t SteadyMs() {
  using namespace std::chrono;
  return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

uint32_t Session::Now() const { return static_cast<uint32_t>(SteadyMs()); }

uint16_t Session::port() const { return host_ ? host_->address.port : 0; }

bool Session::Bind(const std::string& bind_address, uint16_t port, std::string* error) {
  Close();
  ENetAddress address{};
  address.port = port;
  if (bind_address.empty())
    address.host = ENET_HOST_ANY;
  else if (enet_address_set_host_ip(&address, bind_address.c_str()) != 0) {
    *error = "not an IPv4 address: " + bind_address;
    return false;
  }
  host_ = enet_host_create(&address, kPeerLimit, 1, 0, 0);
  if (!host_) {
    *error = "cannot open UDP port " + std::to_string(port) + " (in use?)";
    return false;
  }
  host_->maximumPacketSize = kMaxPacketBytes;
  host_->maximumWaitingData = kWaitingDataLimit;
  return true;
}

bool Session::Host(const std::string& bind_address, uint16_t port, const std::string& name, std::string* error) {
  if (!Bind(bind_address, port, error)) return false;
  name_ = name;
  local_id_ = host_id_ = 1;
  next_id_ = 2;
  members_ = {SessionMember{local_id_, name_, 0, this->port()}};
  phase_ = Phase::InSession;
  log_("[Session] hosting on UDP port " + std::to_string(this->port()) + " as player 1");
  return true;
}

bool Session::Join(const std::string& bind_address, const std::string& host, uint16_t port, const std::string& name,
                   std::string* error) {
  ENetAddress target{};
  if (enet_address_set_host(&target, host.c_str()) != 0) {
    *error = "unknown host: " + host;
    return false;
  }
  target.port = port;
  if (!Bind(bind_address, 0, error)) return false;
  name_ = name;
  ENetPeer* peer = enet_host_connect(host_, &target, 1, 0);
  if (!peer) {
    *error = "cannot connect to " + host;
    Close();
    return false;
  }
  NewLink(peer, Role::ToHost);
  phase_ = Phase::Joining;
  phase_since_ms_ = Now();
  log_("[Session] joining " + Ipv4Text(target.host) + ":" + std::to_string(port) + " from UDP port " +
       std::to_string(this->port()));
  return true;
}

void Session::Close() {
  if (!host_) return;
  for (auto& [id, link] : links_)
    if (link.peer) enet_peer_disconnect_now(link.peer, 0);
  enet_host_flush(host_);
  enet_host_destroy(host_);
  host_ = nullptr;
  links_.clear();
  members_.clear();
  phase_ = Phase::Idle;
  local_id_ = host_id_ = 0;
}

int Session::NewLink(ENetPeer* peer, Role role) {
  const int id = next_link_++;
  Link& link = links_[id];
  link.peer = peer;
  link.role = role;
  link.since_ms = Now();
  if (peer) {
    peer->data = reinterpret_cast<void*>(static_cast<intptr_t>(id));
    link.address = peer->address.host;
    enet_peer_timeout(peer, 0, kPeerTimeoutMaximumMs / 2, kPeerTimeoutMaximumMs);
    enet_peer_ping_interval(peer, kPeerPingIntervalMs);
  }
  return id;
}

Session::Link* Session::FindLink(int link) {
  auto it = links_.find(link);
  return it == links_.end() ? nullptr : &it->second;
}

Session::Link* Session::LinkOfPlayer(int32_t id) {
  for (auto& [n, link] : links_)
    if (link.id == id && link.role == Role::Member) return &link;
  return nullptr;
}

const SessionMember* Session::FindPlayer(int32_t id) const {
  for (const auto& m : members_)
    if (m.id == id) return &m;
  return nullptr;
}

std::string Session::Describe(const Link& link) const {
  std::string text = Ipv4Text(link.address);
  if (link.peer) text += ":" + std::to_string(link.peer->address.port);
  if (link.id) text = "player " + std::to_string(link.id) + " (" + text + ")";
  return text;
}

void Session::SendFrame(Link& link, const SessionFrame& frame) {
  if (!link.peer || !host_) return;
  const std::vector<uint8_t> bytes = EncodeSessionFrame(frame);
  ENetPacket* packet = enet_packet_create(bytes.data(), bytes.size(), ENET_PACKET_FLAG_RELIABLE);
  if (packet && enet_peer_send(link.peer, 0, packet) != 0) enet_packet_destroy(packet);
  enet_host_flush(host_);
}

void Session::Drop(int link_id, const std::string& why) {
  Link* link = FindLink(link_id);
  if (!link) return;
  log_("[Session] closing the link to " + Describe(*link) + ": " + why);
  if (link->peer) {
    link->peer->data = nullptr;
    enet_peer_disconnect_later(link->peer, 0);
  }
  links_.erase(link_id);
}

bool Session::Send(int32_t from, int32_t to, const std::vector<uint8_t>& payload) {
  if (!joined()) return false;
  SessionFrame frame;
  frame.kind = FrameKind::Data;
  frame.from = from;
  frame.to = to;
  frame.payload = payload;
  if (payload.size() + 9 > kMaxPacketBytes) {
    log_("[Session] a message of " + std::to_string(payload.size()) + " bytes is too big to send");
    return false;
  }
  bool sent = false;
  for (auto& [n, link] : links_) {
    if (link.role != Role::Member || (to != 0 && link.id != to)) continue;
    SendFrame(link, frame);
    sent = true;
  }
  return sent;
}

void Session::Poll(std::vector<SessionEvent>& out, uint32_t wait_ms) {
  if (!host_) return;
  ENetEvent e;
  while (host_ && enet_host_service(host_, &e, wait_ms) > 0) {
    wait_ms = 0;
    switch (e.type) {
      case ENET_EVENT_TYPE_CONNECT: OnConnect(e.peer, out); break;
      case ENET_EVENT_TYPE_DISCONNECT: OnDisconnect(e.peer, out); break;
      case ENET_EVENT_TYPE_RECEIVE: {
        const int link = LinkOfPeer(e.peer);
        if (link) ReceiveForTest(link, e.packet->data, e.packet->dataLength, out);
        enet_packet_destroy(e.packet);
        break;
      }
      default: break;
    }
  }
  if (host_) CheckDeadlines(out);
  if (host_) ServeWaitingHello();
}

void Session::ServeWaitingHello() {
  for (const auto& [n, l] : links_)
    if (l.role == Role::Joiner) return;
  for (auto& [n, l] : links_) {
    if (!l.waiting_hello) continue;
    const SessionFrame hello = *l.waiting_hello;
    l.waiting_hello.reset();
    OnHello(n, hello);
    return;
  }
}

void Session::ReceiveForTest(int link, const uint8_t* data, size_t size, std::vector<SessionEvent>& out) {
  Link* l = FindLink(link);
  if (!l) return;
  SessionFrame frame;
  std::string error;
  if (size > kMaxPacketBytes) {
    log_("[Session] dropped a packet of " + std::to_string(size) + " bytes from " + Describe(*l));
    return;
  }
  if (!DecodeSessionFrame(data, size, &frame, &error)) {
    log_("[Session] dropped a frame from " + Describe(*l) + ": " + error);
    return;
  }
  OnFrame(link, frame, out);
}

void Session::VanishForTest() {
  if (!host_) return;
  enet_host_destroy(host_);
  host_ = nullptr;
  links_.clear();
  members_.clear();
  phase_ = Phase::Idle;
}

int Session::AddDetachedLinkForTest(bool to_host) {
  offline_ = true;
  if (to_host) {
    phase_ = Phase::Joining;
    phase_since_ms_ = Now();
    members_.clear();
  }
  return NewLink(nullptr, to_host ? Role::ToHost : Role::Incoming);
}

void Session::OnConnect(ENetPeer* peer, std::vector<SessionEvent>& out) {
  int link_id = LinkOfPeer(peer);
  Link* link = FindLink(link_id);
  if (!link) {
    // Someone connected to us: it greets next.
    if (phase_ != Phase::InSession) {
      enet_peer_disconnect_now(peer, 0);
      return;
    }
    link_id = NewLink(peer, Role::Incoming);
    link = FindLink(link_id);
  }
  link->connected = true;
  link->address = peer->address.host;
  SessionFrame hello;
  hello.app_id = kSessionAppId;
  hello.version = version_;
  hello.listen_port = port();
  hello.name = name_;
  if (link->role == Role::ToHost) {
    hello.kind = FrameKind::Hello;
    SendFrame(*link, hello);
  } else if (link->role == Role::MeshOut) {
    hello.kind = FrameKind::MeshHello;
    hello.id = local_id_;
    SendFrame(*link, hello);
  }
}

void Session::OnDisconnect(ENetPeer* peer, std::vector<SessionEvent>& out) {
  const int link_id = LinkOfPeer(peer);
  Link* link = FindLink(link_id);
  peer->data = nullptr;
  if (!link) return;
  const Role role = link->role;
  const int32_t id = link->id;
  log_("[Session] lost the link to " + Describe(*link));
  links_.erase(link_id);
  if (role == Role::Member) {
    RemoveMember(id, out);
  } else if (role == Role::ToHost || role == Role::MeshOut) {
    FailJoin(role == Role::ToHost ? "the host closed the connection or could not be reached"
                                  : "player " + std::to_string(id) + " could not be reached",
             out);
  }
}

void Session::RemoveMember(int32_t id, std::vector<SessionEvent>& out) {
  auto it = std::find_if(members_.begin(), members_.end(), [&](const SessionMember& m) { return m.id == id; });
  if (it == members_.end()) return;
  members_.erase(it);
  SessionEvent destroyed;
  destroyed.kind = SessionEvent::Kind::PlayerDestroyed;
  destroyed.id = id;
  out.push_back(destroyed);
  if (id != host_id_ || members_.empty()) return;
  // Every copy applies the same rule: the lowest remaining id hosts.
  host_id_ = members_.front().id;
  log_("[Session] host " + std::to_string(id) + " is gone; player " + std::to_string(host_id_) + " hosts");
  if (host_id_ == local_id_) {
    SessionEvent migrated;
    migrated.kind = SessionEvent::Kind::HostMigrated;
    migrated.id = local_id_;
    out.push_back(migrated);
  }
}

void Session::FailJoin(const std::string& why, std::vector<SessionEvent>& out) {
  if (phase_ == Phase::InSession || phase_ == Phase::Idle) return;
  log_("[Session] join failed: " + why);
  SessionEvent failed;
  failed.kind = SessionEvent::Kind::JoinFailed;
  failed.text = why;
  out.push_back(failed);
  Close();
}

void Session::CheckDeadlines(std::vector<SessionEvent>& out) {
  const uint32_t now = Now();
  if (phase_ == Phase::Joining || phase_ == Phase::Linking || phase_ == Phase::AwaitAdded) {
    if (now - phase_since_ms_ < kSessionTimeoutMs) return;
    std::string why = "the host did not answer within 5 s";
    for (const auto& [n, link] : links_)
      if (link.role == Role::MeshOut && !link.linked)
        why = "could not reach player " + std::to_string(link.id) + " (" + link.name + ") at " +
              Ipv4Text(link.address) + ":" + std::to_string(link.listen_port) + " within 5 s";
    if (phase_ == Phase::AwaitAdded) why = "the host did not add this player within 5 s";
    FailJoin(why, out);
    return;
  }
  std::vector<int> stale;
  for (const auto& [n, link] : links_)
    if (link.role != Role::Member && now - link.since_ms >= kSessionTimeoutMs + 1000) stale.push_back(n);
  for (int n : stale) Drop(n, "the handshake did not finish within 5 s");
}

std::string Session::Refusal(const SessionFrame& hello) const {
  if (hello.app_id != kSessionAppId) return "this is not a korvex battle";
  if (hello.version != version_)
    return "protocol version " + std::to_string(hello.version) + " cannot join a battle of version " +
           std::to_string(version_);
  return "";
}

void Session::OnFrame(int link_id, const SessionFrame& f, std::vector<SessionEvent>& out) {
  Link* link = FindLink(link_id);
  const bool greeting = f.kind == FrameKind::Hello || f.kind == FrameKind::MeshHello;
  if (greeting && (link->role != Role::Incoming || link->waiting_hello)) {
    log_("[Session] dropped a second greeting from " + Describe(*link));
    return;
  }
  switch (f.kind) {
    case FrameKind::Hello: OnHello(link_id, f); break;
    case FrameKind::MeshHello: OnMeshHello(link_id, f); break;
    case FrameKind::Welcome: OnWelcome(link_id, f, out); break;
    case FrameKind::Refuse:
      if (link->role == Role::ToHost) FailJoin("the host refused: " + f.reason, out);
      break;
    case FrameKind::MeshOk:
      if (link->role == Role::MeshOut && f.id == link->id) {
        link->linked = true;
        CheckLinksDone();
      }
      break;
    case FrameKind::Linked: OnLinked(link_id, out); break;
    case FrameKind::Added: OnAdded(link_id, f, out); break;
    case FrameKind::Data: OnData(link_id, f, out); break;
  }
}

void Session::OnHello(int link_id, const SessionFrame& f) {
  Link& link = *FindLink(link_id);
  SessionFrame answer;
  answer.kind = FrameKind::Refuse;
  answer.reason = Refusal(f);
  int pending = 0;
  for (const auto& [n, l] : links_) pending += l.role == Role::Joiner;
  if (answer.reason.empty() && is_host() && pending > 0) {
    // One joiner at a time, so each one's welcome lists every player.
    link.waiting_hello = std::make_unique<SessionFrame>(f);
    return;
  }
  if (answer.reason.empty() && !is_host()) answer.reason = "this copy is not the host";
  if (answer.reason.empty() && static_cast<int>(members_.size()) + pending >= kSessionMaxPlayers)
    answer.reason = "the battle is full (5 players)";
  if (!answer.reason.empty()) {
    log_("[Session] refused " + Describe(link) + " (" + f.name + "): " + answer.reason);
    SendFrame(link, answer);
    Drop(link_id, "refused");
    return;
  }
  link.role = Role::Joiner;
  link.id = next_id_++;
  link.name = f.name;
  link.listen_port = f.listen_port;
  link.since_ms = Now();
  answer.kind = FrameKind::Welcome;
  answer.reason.clear();
  answer.version = version_;
  answer.id = link.id;
  answer.host_id = local_id_;
  answer.members = members_;
  log_("[Session] welcomed " + Describe(link) + " (" + f.name + ")");
  SendFrame(link, answer);
}

void Session::OnWelcome(int link_id, const SessionFrame& f, std::vector<SessionEvent>& out) {
  Link& host = *FindLink(link_id);
  if (host.role != Role::ToHost || phase_ != Phase::Joining) return;
  if (f.version != version_) {
    FailJoin("the host runs protocol version " + std::to_string(f.version), out);
    return;
  }
  if (f.members.size() >= static_cast<size_t>(kSessionMaxPlayers) || f.id <= 0) {
    FailJoin("the host's welcome has no room for this player", out);
    return;
  }
  const bool ids_valid = ValidPlayerId(f.id) && ValidPlayerId(f.host_id) &&
                         std::all_of(f.members.begin(), f.members.end(),
                                     [](const SessionMember& m) { return ValidPlayerId(m.id); });
  if (!ids_valid) {
    FailJoin("the host's welcome names a player id out of range", out);
    return;
  }
  local_id_ = f.id;
  host_id_ = f.host_id;
  host.id = f.host_id;
  members_.clear();
  for (SessionMember m : f.members) {
    if (m.id == local_id_ || FindPlayer(m.id)) continue;
    // Addresses the host knows as its own or as loopback are reached the
    // way the host was.
    if (m.address == 0 || (Loopback(m.address) && !Loopback(host.address))) m.address = host.address;
    AddMember(m);
    if (m.id == host_id_) {
      host.name = m.name;
      continue;
    }
    ENetAddress a{};
    a.host = m.address;
    a.port = m.port;
    ENetPeer* peer = offline_ ? nullptr : enet_host_connect(host_, &a, 1, 0);
    if (!peer && !offline_) {
      FailJoin("no room to link with player " + std::to_string(m.id), out);
      return;
    }
    Link& mesh = links_[NewLink(peer, Role::MeshOut)];
    mesh.id = m.id;
    mesh.name = m.name;
    mesh.address = m.address;
    mesh.listen_port = m.port;
  }
  AddMember(SessionMember{local_id_, name_, 0, port()});
  phase_ = Phase::Linking;
  phase_since_ms_ = Now();
  log_("[Session] welcomed as player " + std::to_string(local_id_) + " by host " + std::to_string(host_id_));
  CheckLinksDone();
}

void Session::CheckLinksDone() {
  if (phase_ != Phase::Linking) return;
  Link* host = nullptr;
  for (auto& [n, link] : links_) {
    if (link.role == Role::MeshOut && !link.linked) return;
    if (link.role == Role::ToHost) host = &link;
  }
  if (!host) return;
  SessionFrame linked;
  linked.kind = FrameKind::Linked;
  SendFrame(*host, linked);
  phase_ = Phase::AwaitAdded;
}

void Session::OnMeshHello(int link_id, const SessionFrame& f) {
  Link& link = *FindLink(link_id);
  std::string refusal = Refusal(f);
  if (refusal.empty() && !ValidPlayerId(f.id)) refusal = "player id " + std::to_string(f.id) + " is out of range";
  if (refusal.empty() && FindPlayer(f.id)) refusal = "player id " + std::to_string(f.id) + " is taken";
  if (!refusal.empty()) {
    Drop(link_id, refusal);
    return;
  }
  link.role = Role::MeshIn;
  link.id = f.id;
  link.name = f.name;
  link.listen_port = f.listen_port;
  link.since_ms = Now();
  SessionFrame ok;
  ok.kind = FrameKind::MeshOk;
  ok.id = local_id_;
  SendFrame(link, ok);
}

void Session::AddMember(const SessionMember& member) {
  members_.push_back(member);
  std::sort(members_.begin(), members_.end(), [](const auto& a, const auto& b) { return a.id < b.id; });
  next_id_ = std::max(next_id_, member.id + 1);
}

void Session::OnLinked(int link_id, std::vector<SessionEvent>& out) {
  Link& link = *FindLink(link_id);
  if (link.role != Role::Joiner || !is_host()) return;
  SessionFrame added;
  added.kind = FrameKind::Added;
  const SessionMember member{link.id, link.name, link.address, link.listen_port};
  added.members = {member};
  link.role = Role::Member;
  AddMember(member);
  for (auto& [n, l] : links_)
    if (l.role == Role::Member) SendFrame(l, added);
  log_("[Session] player " + std::to_string(member.id) + " (" + member.name + ") is in; " +
       std::to_string(members_.size()) + " players");
  SessionEvent created;
  created.kind = SessionEvent::Kind::PlayerCreated;
  created.id = member.id;
  out.push_back(created);
}

void Session::OnAdded(int link_id, const SessionFrame& f, std::vector<SessionEvent>& out) {
  Link& from = *FindLink(link_id);
  const SessionMember& member = f.members[0];
  if (from.id != host_id_ || (from.role != Role::Member && from.role != Role::ToHost)) return;
  if (member.id == local_id_ && phase_ == Phase::AwaitAdded) {
    for (auto& [n, l] : links_)
      if (l.role == Role::ToHost || l.role == Role::MeshOut) l.role = Role::Member;
    phase_ = Phase::InSession;
    log_("[Session] joined as player " + std::to_string(local_id_) + "; " + std::to_string(members_.size()) +
         " players");
    SessionEvent joined;
    joined.kind = SessionEvent::Kind::Joined;
    joined.id = local_id_;
    out.push_back(joined);
    return;
  }
  if (phase_ != Phase::InSession || FindPlayer(member.id)) return;
  Link* mesh = nullptr;
  for (auto& [n, l] : links_)
    if (l.role == Role::MeshIn && l.id == member.id) mesh = &l;
  if (!mesh) {
    log_("[Session] player " + std::to_string(member.id) + " was added but never linked with this copy");
    return;
  }
  mesh->role = Role::Member;
  AddMember(SessionMember{member.id, mesh->name, mesh->address, mesh->listen_port});
  SessionEvent created;
  created.kind = SessionEvent::Kind::PlayerCreated;
  created.id = member.id;
  out.push_back(created);
  while (!mesh->held.empty()) {
    std::vector<uint8_t> bytes = std::move(mesh->held.front());
    mesh->held.pop_front();
    SessionFrame held;
    std::string error;
    if (DecodeSessionFrame(bytes.data(), bytes.size(), &held, &error)) OnData(-1, held, out);
  }
}

void Session::OnData(int link_id, const SessionFrame& f, std::vector<SessionEvent>& out) {
  Link* link = link_id > 0 ? FindLink(link_id) : nullptr;
  if (link && link->role == Role::MeshIn) {
    if (link->held.size() >= kHeldMessagesLimit) {
      Drop(link_id, "too many messages before being added");
      return;
    }
    link->held.push_back(EncodeSessionFrame(f));
    return;
  }
  if (link && link->role != Role::Member) {
    log_("[Session] dropped a message from " + Describe(*link) + ", which is not in the session");
    return;
  }
  if (!FindPlayer(f.from) || f.from == local_id_) {
    log_("[Session] dropped a message from unknown player " + std::to_string(f.from));
    return;
  }
  if (f.to != 0 && f.to != local_id_) {
    log_("[Session] dropped a message for player " + std::to_string(f.to));
    return;
  }
  SessionEvent message;
  message.kind = SessionEvent::Kind::Message;
  message.from = f.from;
  message.to = f.to;
  message.payload = f.payload;
  out.push_back(std::move(message));
}

}  // namespace kvx
