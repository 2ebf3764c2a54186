// The network battle's decoders and the session handshake, fed bytes as they
// would arrive from another copy. The first byte chooses: a game message, a
// session frame (each decoded one encodes and decodes to itself), or a run of
// frames (two length bytes each) received by a hosting or a joining session
// on a link with no peer behind it, so nothing is sent anywhere.
#include <cstddef>
#include <cstdint>

#include "fuzz_game.h"
#include "net/net_message.h"
#include "net/session.h"
#include "net/session_frame.h"

using namespace kvx;

namespace {

void GameMessage(const uint8_t* data, size_t size) {
  NetMessage m, again;
  std::string error;
  if (!DecodeNetMessage(data, size, &m, &error) || IgnoredNetMessageType(m.type)) return;
  const std::vector<uint8_t> bytes = EncodeNetMessage(m);
  if (!DecodeNetMessage(bytes.data(), bytes.size(), &again, &error) || !(again == m)) fuzz::Fail();
}

void Frame(const uint8_t* data, size_t size) {
  SessionFrame f, again;
  std::string error;
  if (!DecodeSessionFrame(data, size, &f, &error)) return;
  const std::vector<uint8_t> bytes = EncodeSessionFrame(f);
  if (!DecodeSessionFrame(bytes.data(), bytes.size(), &again, &error) || !(again == f)) fuzz::Fail();
}

void Handshake(const uint8_t* data, size_t size, bool joining) {
  Session session([](const std::string&) {});
  std::string error;
  if (!session.Host("127.0.0.1", 0, "Fuzz", &error)) return;
  const int link = session.AddDetachedLinkForTest(joining);
  std::vector<SessionEvent> events;
  size_t at = 0;
  while (at + 2 <= size) {
    const size_t n = std::min<size_t>(data[at] | (data[at + 1] << 8), size - at - 2);
    session.ReceiveForTest(link, data + at + 2, n, events);
    at += 2 + n;
  }
  if (session.players().size() > static_cast<size_t>(kSessionMaxPlayers)) fuzz::Fail();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  switch (data[0] % 4) {
    case 0: GameMessage(data + 1, size - 1); break;
    case 1: Frame(data + 1, size - 1); break;
    case 2: Handshake(data + 1, size - 1, false); break;
    case 3: Handshake(data + 1, size - 1, true); break;
  }
  return 0;
}
