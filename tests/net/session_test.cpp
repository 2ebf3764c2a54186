// The session layer on loopback: joining through the host into a full mesh,
// messages to one player or all, a vanished host replaced by the lowest id,
// and the joiners that are refused.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <utility>

#include "net/session.h"

namespace kvx {
namespace {

struct Copy {
  std::vector<std::string> log;
  Session session{[this](const std::string& line) { log.push_back(line); }};
  std::vector<SessionEvent> events;
  bool Saw(SessionEvent::Kind kind, int32_t id = -1) const {
    for (const auto& e : events)
      if (e.kind == kind && (id < 0 || e.id == id)) return true;
    return false;
  }
  bool Logged(const std::string& part) const {
    for (const auto& l : log)
      if (l.find(part) != std::string::npos) return true;
    return false;
  }
};

// Polls every copy until done() or about six seconds.
template <typename Done>
bool PollAll(std::vector<Copy*> copies, Done done) {
  const uint64_t start = SteadyMs();
  while (SteadyMs() - start < 6000) {
    for (Copy* c : copies) c->session.Poll(c->events, 1);
    if (done()) return true;
  }
  return false;
}

std::unique_ptr<Copy> Hosting(const std::string& name) {
  auto c = std::make_unique<Copy>();
  std::string error;
  EXPECT_TRUE(c->session.Host("127.0.0.1", 0, name, &error)) << error;
  return c;
}

void StartJoin(Copy& joiner, const Copy& host, const std::string& name) {
  std::string error;
  EXPECT_TRUE(joiner.session.Join("127.0.0.1", "127.0.0.1", host.session.port(), name, &error)) << error;
}

std::vector<int32_t> Ids(const Session& s) {
  std::vector<int32_t> ids;
  for (const auto& p : s.players()) ids.push_back(p.id);
  return ids;
}

TEST(Session, JoinersMeshAndTheLowestIdTakesOverFromAVanishedHost) {
  auto host = Hosting("Host");
  std::vector<std::unique_ptr<Copy>> joiners;
  std::vector<Copy*> all{host.get()};
  for (const char* name : {"B", "C", "D"}) {
    joiners.push_back(std::make_unique<Copy>());
    all.push_back(joiners.back().get());
    StartJoin(*joiners.back(), *host, name);
  }
  ASSERT_TRUE(PollAll(all, [&] {
    for (auto& j : joiners)
      if (!j->session.joined()) return false;
    for (Copy* c : all)
      if (c->session.players().size() != 4) return false;
    return true;
  }));
  for (Copy* c : all) {
    EXPECT_EQ(Ids(c->session), (std::vector<int32_t>{1, 2, 3, 4}));
    EXPECT_EQ(c->session.host_id(), 1);
    EXPECT_EQ(c->session.FindPlayer(3)->name, "C");
  }
  EXPECT_TRUE(host->session.is_host());
  EXPECT_TRUE(host->Saw(SessionEvent::Kind::PlayerCreated, 4));
  EXPECT_TRUE(joiners[0]->Saw(SessionEvent::Kind::PlayerCreated, 4));  // B sees D arrive
  EXPECT_TRUE(joiners[2]->Saw(SessionEvent::Kind::Joined, 4));

  // To one player, and to all, in order.
  Copy& c = *joiners[1];
  c.session.Send(3, 2, {1});
  c.session.Send(3, 0, {2});
  c.session.Send(3, 0, {3});
  auto payloads = [](const Copy& x) {
    std::vector<int> p;
    for (const auto& e : x.events)
      if (e.kind == SessionEvent::Kind::Message) p.push_back(e.payload.at(0) * (e.from == 3 ? 1 : -1));
    return p;
  };
  ASSERT_TRUE(PollAll(all, [&] { return payloads(*host).size() == 2 && payloads(*joiners[0]).size() == 3; }));
  EXPECT_EQ(payloads(*host), (std::vector<int>{2, 3}));
  EXPECT_EQ(payloads(*joiners[0]), (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(payloads(c).empty());

  // The host vanishes without a word: the others time out on it, and player
  // 2, the lowest id left, hosts; no one reconnects.
  for (Copy* x : all) x->events.clear();
  host->session.VanishForTest();
  const uint64_t gone = SteadyMs();
  ASSERT_TRUE(PollAll({joiners[0].get(), joiners[1].get(), joiners[2].get()}, [&] {
    for (auto& j : joiners)
      if (!j->Saw(SessionEvent::Kind::PlayerDestroyed, 1)) return false;
    return true;
  }));
  EXPECT_LT(SteadyMs() - gone, kSessionTimeoutMs);
  EXPECT_TRUE(joiners[0]->Saw(SessionEvent::Kind::HostMigrated));
  EXPECT_FALSE(joiners[1]->Saw(SessionEvent::Kind::HostMigrated));
  for (auto& j : joiners) {
    EXPECT_EQ(j->session.host_id(), 2);
    EXPECT_EQ(Ids(j->session), (std::vector<int32_t>{2, 3, 4}));
  }
  EXPECT_TRUE(joiners[1]->Logged("host 1 is gone; player 2 hosts"));
}

TEST(Session, AnotherVersionAndASixthPlayerAreRefusedWithoutDisturbingTheOthers) {
  auto host = Hosting("Host");
  std::vector<std::unique_ptr<Copy>> joiners;
  std::vector<Copy*> all{host.get()};
  for (int i = 0; i < 4; ++i) {
    joiners.push_back(std::make_unique<Copy>());
    all.push_back(joiners.back().get());
    StartJoin(*joiners.back(), *host, "P" + std::to_string(i + 2));
  }
  ASSERT_TRUE(PollAll(all, [&] {
    for (Copy* c : all)
      if (c->session.players().size() != 5) return false;
    return true;
  }));

  Copy old, sixth;
  old.session.SetProtocolVersionForTest(7);
  StartJoin(old, *host, "Old");
  StartJoin(sixth, *host, "Sixth");
  std::vector<Copy*> with_late = all;
  with_late.push_back(&old);
  with_late.push_back(&sixth);
  ASSERT_TRUE(PollAll(with_late, [&] {
    return old.Saw(SessionEvent::Kind::JoinFailed) && sixth.Saw(SessionEvent::Kind::JoinFailed);
  }));
  EXPECT_EQ(old.events.back().text,
            "the host refused: protocol version 7 cannot join a battle of version 1");
  EXPECT_EQ(sixth.events.back().text, "the host refused: the battle is full (5 players)");
  EXPECT_FALSE(old.session.open());
  EXPECT_TRUE(host->Logged("refused"));
  for (Copy* c : all) {
    EXPECT_EQ(c->session.players().size(), 5u);
    EXPECT_FALSE(c->Saw(SessionEvent::Kind::PlayerDestroyed));
  }
}

TEST(Session, AJoinerThatCannotReachEveryPlayerGivesUpWithinFiveSeconds) {
  auto host = Hosting("Host");
  Copy b, late;
  StartJoin(b, *host, "B");
  ASSERT_TRUE(PollAll({host.get(), &b}, [&] { return host->session.players().size() == 2; }));
  // B stops answering: the host still lists it, so a newcomer is told to
  // link with it and cannot.
  const uint64_t start = SteadyMs();
  StartJoin(late, *host, "Late");
  ASSERT_TRUE(PollAll({host.get(), &late}, [&] { return late.Saw(SessionEvent::Kind::JoinFailed); }));
  EXPECT_LT(SteadyMs() - start, kSessionTimeoutMs + 1000);
  EXPECT_NE(late.events.back().text.find("could not reach player 2 (B)"), std::string::npos) << late.events.back().text;
  EXPECT_FALSE(host->Saw(SessionEvent::Kind::PlayerCreated, 3));
}

TEST(Session, FramesFromOutsideTheSessionAreDroppedWithALogLine) {
  auto host = Hosting("Host");
  const int link = host->session.AddDetachedLinkForTest();
  std::vector<SessionEvent> out;
  SessionFrame data;
  data.kind = FrameKind::Data;
  data.from = 1;
  data.payload = {4, 0, 0, 0};
  const std::vector<uint8_t> bytes = EncodeSessionFrame(data);
  host->session.ReceiveForTest(link, bytes.data(), bytes.size(), out);
  const std::vector<uint8_t> junk = {8, 1};
  host->session.ReceiveForTest(link, junk.data(), junk.size(), out);
  const std::vector<uint8_t> big(kMaxPacketBytes + 1, 8);
  host->session.ReceiveForTest(link, big.data(), big.size(), out);
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(host->Logged("which is not in the session"));
  EXPECT_TRUE(host->Logged("dropped a frame from 0.0.0.0: frame kind 8 is cut short (2 bytes)"));
  EXPECT_TRUE(host->Logged("dropped a packet of 65537 bytes"));
}

// A welcome or a mesh greeting that names an impossible player id is refused
// (counting on from the largest id overflowed before).
TEST(Session, PlayerIdsOutOfRangeAreRefused) {
  auto send = [](Copy& c, int link, const SessionFrame& f) {
    const std::vector<uint8_t> bytes = EncodeSessionFrame(f);
    c.session.ReceiveForTest(link, bytes.data(), bytes.size(), c.events);
  };
  SessionFrame welcome;
  welcome.kind = FrameKind::Welcome;
  welcome.version = kSessionProtocolVersion;
  welcome.host_id = 1;
  for (const auto& [own, member] : {std::pair{INT32_MAX, 1}, std::pair{2, INT32_MAX}, std::pair{2, -5}}) {
    auto joiner = Hosting("Joiner");
    const int link = joiner->session.AddDetachedLinkForTest(true);
    welcome.id = own;
    welcome.members = {SessionMember{member, "Host", 0, 1}};
    send(*joiner, link, welcome);
    ASSERT_TRUE(joiner->Saw(SessionEvent::Kind::JoinFailed)) << own << " " << member;
    EXPECT_NE(joiner->events.back().text.find("a player id out of range"), std::string::npos)
        << joiner->events.back().text;
  }

  auto host = Hosting("Host");
  SessionFrame hello;
  hello.kind = FrameKind::MeshHello;
  hello.app_id = kSessionAppId;
  hello.version = kSessionProtocolVersion;
  hello.name = "Far";
  hello.id = INT32_MAX;
  send(*host, host->session.AddDetachedLinkForTest(), hello);
  EXPECT_TRUE(host->Logged("player id 2147483647 is out of range"));
  hello.id = kSessionMaxPlayerId;
  send(*host, host->session.AddDetachedLinkForTest(), hello);
  EXPECT_FALSE(host->Logged("player id 1048576 is")) << "the largest id is taken in";
  EXPECT_EQ(Ids(host->session), std::vector<int32_t>{1});
}

TEST(Session, AddressesSplitIntoHostAndPort) {
  std::string host;
  uint16_t port = 1;
  EXPECT_TRUE(SplitHostPort("example.org", &host, &port));
  EXPECT_EQ(host, "example.org");
  EXPECT_EQ(port, 1);
  EXPECT_TRUE(SplitHostPort("10.0.0.2:4000", &host, &port));
  EXPECT_EQ(host, "10.0.0.2");
  EXPECT_EQ(port, 4000);
  for (const char* bad : {"", ":4000", "a:", "a:0", "a:65536", "a:12x", "a:1234567"})
    EXPECT_FALSE(SplitHostPort(bad, &host, &port)) << bad;
  // IPv6 addresses are not split at their last colon ("fe80::1" is no host
  // "fe80:" on port 1): the network library cannot reach them.
  for (const char* v6 : {"fe80::1", "::1", "[::1]:4000", "fd12:3456:789a:bcde:f012:3456:789a:bcde"}) {
    EXPECT_TRUE(IsIpv6Address(v6)) << v6;
    EXPECT_FALSE(SplitHostPort(v6, &host, &port)) << v6;
  }
  EXPECT_FALSE(IsIpv6Address("10.0.0.2:4000"));
  EXPECT_FALSE(IsIpv6Address("example.org"));
}

}  // namespace
}  // namespace kvx
