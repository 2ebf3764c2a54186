// The battle's game messages and the session frames: their bytes, and the
// refusal of every malformed one.
#include <gtest/gtest.h>

#include "net/net_message.h"
#include "net/session_frame.h"

namespace kvx {
namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> list) { return std::vector<uint8_t>(list.begin(), list.end()); }

NetMessage Decoded(const std::vector<uint8_t>& bytes, std::string* error = nullptr) {
  NetMessage m;
  std::string e;
  EXPECT_TRUE(DecodeNetMessage(bytes.data(), bytes.size(), &m, &e)) << e;
  return m;
}

std::string Refusal(const std::vector<uint8_t>& bytes) {
  NetMessage m;
  std::string error;
  EXPECT_FALSE(DecodeNetMessage(bytes.data(), bytes.size(), &m, &error));
  return error;
}

TEST(NetMessage, LayoutsAreLittleEndianWithLengthPrefixedStrings) {
  NetMessage gauge;
  gauge.type = 9;
  gauge.gauge = {7, 100, 1234.5f, 99.0f, 0, {1, 2, 3, 4, -1}};
  EXPECT_EQ(EncodeNetMessage(gauge), Bytes({9, 0, 0, 0, 7, 100, 0x00, 0x50, 0x9A, 0x44, 0, 0, 0xC6, 0x42, 0, 0,
                                            1, 0, 2, 0, 3, 0, 4, 0, 0xFF, 0xFF}));
  EXPECT_EQ(Decoded(EncodeNetMessage(gauge)), gauge);

  NetMessage init;
  init.type = 0;
  init.players = {{1, "ホスト"}, {0x01020304, ""}};
  init.game_state = 6;
  const std::vector<uint8_t> bytes = EncodeNetMessage(init);
  EXPECT_EQ(bytes, Bytes({0, 0, 0, 0, 2, 1, 0, 0, 0, 9, 0, 0xE3, 0x83, 0x9B, 0xE3, 0x82, 0xB9, 0xE3, 0x83, 0x88,
                          4, 3, 2, 1, 0, 0, 6, 0, 0, 0}));
  EXPECT_EQ(Decoded(bytes), init);

  NetMessage song;
  song.type = 3;
  song.song = {"Genre", "Title", "Artist", 7, 123456, 777};
  EXPECT_EQ(Decoded(EncodeNetMessage(song)), song);
  NetMessage attack;
  attack.type = 13;
  attack.attack_kind = 5;
  EXPECT_EQ(EncodeNetMessage(attack), Bytes({13, 0, 0, 0, 5}));
  for (int type : {4, 5, 6, 7, 8}) EXPECT_EQ(Decoded(Bytes({type, 0, 0, 0})).type, type);
  // Types 1 and 10 to 12 are taken and ignored, whatever follows.
  EXPECT_EQ(Decoded(Bytes({11, 0, 0, 0, 1, 2, 3})).type, 11);
}

TEST(NetMessage, MalformedMessagesAreRefusedWithAReason) {
  EXPECT_EQ(Refusal(Bytes({9, 0})), "shorter than its type code (2 bytes)");
  EXPECT_EQ(Refusal(Bytes({14, 0, 0, 0})), "unknown message type 14");
  EXPECT_EQ(Refusal(Bytes({9, 0, 0, 0, 1, 2})), "message type 9 is cut short (6 bytes)");
  EXPECT_EQ(Refusal(Bytes({4, 0, 0, 0, 0})), "message type 4 has 1 bytes too many");
  // A string whose length runs past the end, and an INIT that lists more
  // players than it holds.
  EXPECT_EQ(Refusal(Bytes({2, 0, 0, 0, 0xFF, 0xFF, 'a'})), "message type 2 is cut short (7 bytes)");
  EXPECT_EQ(Refusal(Bytes({0, 0, 0, 0, 200, 1, 0, 0, 0, 0, 0})), "message type 0 is cut short (11 bytes)");
  // A score that is not a number would break the ranking.
  EXPECT_EQ(Refusal(Bytes({9, 0, 0, 0, 1, 50, 0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})),
            "GAUGEDATA carries a score that is not a finite number");
}

TEST(NetMessage, LongStringsAreCutBetweenCharacters) {
  NetMessage song;
  song.type = 2;
  song.song.title = "a" + std::string(30000, '\0') + std::string(19999, 'x');  // 50000 bytes
  for (int i = 0; i < 6000; ++i) song.song.title += "あ";                     // 3 bytes each
  const NetMessage back = Decoded(EncodeNetMessage(song));
  // 65535 would end one byte into a character: the cut comes before it.
  EXPECT_EQ(back.song.title.size(), 65534u);
  EXPECT_EQ(back.song.title.substr(back.song.title.size() - 3), "あ");
}

TEST(SessionFrame, FramesRoundTripAndMalformedOnesAreRefused) {
  SessionFrame hello;
  hello.kind = FrameKind::Hello;
  hello.app_id = kSessionAppId;
  hello.version = 1;
  hello.listen_port = 40000;
  hello.name = "Rin";
  SessionFrame welcome;
  welcome.kind = FrameKind::Welcome;
  welcome.version = 1;
  welcome.id = 3;
  welcome.host_id = 1;
  welcome.members = {{1, "A", 0x0100007F, 27615}, {2, "B", 0x0100007F, 40001}};
  SessionFrame data;
  data.kind = FrameKind::Data;
  data.from = 2;
  data.to = 0;
  data.payload = {4, 0, 0, 0};
  for (const SessionFrame& f : {hello, welcome, data}) {
    const std::vector<uint8_t> bytes = EncodeSessionFrame(f);
    SessionFrame back;
    std::string error;
    ASSERT_TRUE(DecodeSessionFrame(bytes.data(), bytes.size(), &back, &error)) << error;
    EXPECT_EQ(back, f);
    // Every shorter prefix is refused (a data frame's payload may be short).
    for (size_t n = 0; n + (f.kind == FrameKind::Data ? 4 : 0) < bytes.size(); ++n)
      EXPECT_FALSE(DecodeSessionFrame(bytes.data(), n, &back, &error)) << n;
  }
  SessionFrame back;
  std::string error;
  const std::vector<uint8_t> unknown = {99};
  EXPECT_FALSE(DecodeSessionFrame(unknown.data(), unknown.size(), &back, &error));
  EXPECT_EQ(error, "unknown frame kind 99");
  std::vector<uint8_t> crowded = EncodeSessionFrame(welcome);
  crowded[11] = 6;  // the player count
  EXPECT_FALSE(DecodeSessionFrame(crowded.data(), crowded.size(), &back, &error));
  EXPECT_EQ(error, "welcome lists 6 players");
}

}  // namespace
}  // namespace kvx
