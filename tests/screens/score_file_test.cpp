// The record file's bytes and places, and record-of-play files.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "app/game.h"
#include "media/display.h"
#include "platform/files.h"
#include "screens/score_record.h"
#include "test_support.h"

namespace kvx {
namespace {

uint32_t U32At(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<uint8_t>(b[at + i])) << (8 * i);
  return v;
}
uint16_t U16At(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}
float F32At(const std::string& b, size_t at) {
  uint32_t bits = U32At(b, at);
  float f;
  std::memcpy(&f, &bits, 4);
  return f;
}

RankEntry SampleEntry() {
  RankEntry e;
  e.Cleared = true;
  e.Name = "KVX";
  e.Score = 123456.5f;
  e.JPts = -60.25f;
  e.HiSpeed = -1;
  e.RealHiSpeed = 1.5f;
  e.MaxCombo = 321;
  e.Class = 2;
  e.CoverOption = 4;
  e.RandomOption = 3;
  e.EffectOption = 7;
  e.FGreatCount = 300;
  e.GreatCount = 20;
  e.GoodCount = 3;
  e.BadCount = 2;
  e.PoorCount = -1;
  return e;
}

TEST(ScoreFile, FieldsAtTheirOffsets) {
  ScoreRecord r;
  r.PlayCount = 0x01020304;
  r.Ranking[0] = SampleEntry();
  r.Ranking[9].Name = "ABCDEFGHIJ";  // only eight characters fit
  r.Ranking[9].Score = 1;
  r.ClearedFlag = true;
  const std::string b = EncodeScoreRecord(r);
  ASSERT_EQ(b.size(), 446u);
  EXPECT_EQ(U32At(b, 0), 0x01020304u);
  EXPECT_EQ(U16At(b, 4), 0xFFFF);  // Cleared: true is -1
  EXPECT_EQ(b.substr(6, 8), "KVX     ");
  EXPECT_EQ(F32At(b, 14), 123456.5f);
  EXPECT_EQ(F32At(b, 18), -60.25f);
  EXPECT_EQ(F32At(b, 22), -1.0f);
  EXPECT_EQ(F32At(b, 26), 1.5f);
  EXPECT_EQ(U16At(b, 30), 321);
  EXPECT_EQ(b[32], 2);
  EXPECT_EQ(b[33], 4);
  EXPECT_EQ(b[34], 3);
  EXPECT_EQ(b[35], 7);
  EXPECT_EQ(U16At(b, 36), 0);  // reserved
  EXPECT_EQ(U16At(b, 38), 300);
  EXPECT_EQ(U16At(b, 40), 20);
  EXPECT_EQ(U16At(b, 42), 3);
  EXPECT_EQ(U16At(b, 44), 2);
  EXPECT_EQ(U16At(b, 46), 0xFFFF);
  // Place 2 is empty: zeros and a blank name.
  EXPECT_EQ(U16At(b, 48), 0);
  EXPECT_EQ(b.substr(50, 8), "        ");
  EXPECT_EQ(F32At(b, 58), 0.0f);
  // Place 10 starts at 4 + 9 x 44.
  EXPECT_EQ(b.substr(4 + 9 * 44 + 2, 8), "ABCDEFGH");
  EXPECT_EQ(U16At(b, 444), 0xFFFF);
  // And back.
  ScoreRecord back = DecodeScoreRecord(b);
  EXPECT_EQ(back.Ranking[0], SampleEntry());
  EXPECT_EQ(back.Ranking[9].Name, "ABCDEFGH");
  EXPECT_EQ(back.PlayCount, 0x01020304);
  EXPECT_TRUE(back.ClearedFlag);
  EXPECT_EQ(back.Ranking[1], RankEntry{});
}

TEST(ScoreFile, ShortLongAndRandomFilesReadWhatIsThere) {
  ScoreRecord r;
  r.PlayCount = 7;
  r.Ranking[0] = SampleEntry();
  r.Ranking[1] = SampleEntry();
  r.ClearedFlag = true;
  const std::string full = EncodeScoreRecord(r);
  // Cut inside place 2's score: place 1 whole, place 2 up to its name; a
  // field cut short reads as empty.
  ScoreRecord shortRead = DecodeScoreRecord(std::string_view(full).substr(0, 4 + 44 + 12));
  EXPECT_EQ(shortRead.PlayCount, 7);
  EXPECT_EQ(shortRead.Ranking[0], SampleEntry());
  EXPECT_EQ(shortRead.Ranking[1].Name, "KVX");
  EXPECT_EQ(shortRead.Ranking[1].Score, 0.0f);
  EXPECT_FALSE(shortRead.ClearedFlag);
  EXPECT_EQ(DecodeScoreRecord(""), ScoreRecord{});
  EXPECT_EQ(DecodeScoreRecord(std::string_view(full).substr(0, 3)).PlayCount, 0);
  // Bytes past 446 are not part of the record.
  EXPECT_EQ(DecodeScoreRecord(full + std::string(100, '\xFF')), r);
  // Random bytes: names keep only bytes 32..127, numbers are finite.
  std::mt19937 rng(5);
  for (int round = 0; round < 200; ++round) {
    std::string bytes(rng() % 600, '\0');
    for (char& c : bytes) c = static_cast<char>(rng());
    const ScoreRecord any = DecodeScoreRecord(bytes);
    for (const RankEntry& e : any.Ranking) {
      EXPECT_LE(e.Name.size(), 8u);
      for (char c : e.Name) EXPECT_TRUE(static_cast<uint8_t>(c) >= 32 && static_cast<uint8_t>(c) <= 127);
      for (float f : {e.Score, e.JPts, e.HiSpeed, e.RealHiSpeed}) EXPECT_TRUE(std::isfinite(f));
    }
    EXPECT_EQ(EncodeScoreRecord(any).size(), 446u);
  }
  // A non-finite score reads as an empty place, so it never blocks the ranking.
  std::string nan = full;
  std::memset(&nan[14], 0xFF, 4);
  EXPECT_EQ(DecodeScoreRecord(nan).Ranking[0].Score, 0.0f);
}

TEST(ScoreFile, PlacesBesideTheChartAndUnderRoScore) {
  EXPECT_EQ(ScoreFilePath("/songs/pack/song.bms"), "/songs/pack/song.ksd");
  EXPECT_EQ(ScoreFilePath("/songs/pack/song.v2.bme"), "/songs/pack/song.v2.ksd");
  EXPECT_EQ(ScoreFilePath("/songs/v1.2/chart"), "/songs/v1.2/chart.ksd");
  EXPECT_EQ(ScoreFilePath("C:\\songs\\pack\\song.bms"), "C:/songs/pack/song.ksd");
  EXPECT_EQ(ScoreFilePath("/courses/my course.kcl"), "/courses/my course.ksd");
  Game g;
  g.SetProgramFolder("/opt/kvx");
  EXPECT_EQ(ReadOnlyScoreFilePath(g, "/media/cd/pack/song.bms"), "/opt/kvx/_kvxfiles/ro_score/pack/song.ksd");
  EXPECT_EQ(ReadOnlyScoreFilePath(g, "song.bms"), "/opt/kvx/_kvxfiles/ro_score/song.ksd");
}

// ".bpd": the chart's identifier, an unused value, the last index, the events.
std::string RecordOfPlay(int32_t id, int32_t lastIndex, int events) {
  std::string b;
  auto put = [&](int32_t v) {
    for (int i = 0; i < 4; ++i) b += static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
  };
  put(id);
  put(99);
  put(lastIndex);
  for (int e = 0; e < events; ++e)
    for (int32_t field : {e / 4, 48 * e, 0xFF00, 11 + e % 7, e + 1, 0}) put(field);
  return b;
}

TEST(RecordOfPlay, LoadsTheEventsOfTheLoadedChartOnly) {
  test::TempFolder dir;
  Game g;
  test::UseHeadlessGame(g, dir.path());
  g.chart.BmsId = 72894;
  g.play.RecordList = {ChartObject{1, 2, 3, 4, 5, 6}};

  ReadRecordOfPlay(g, dir.Write("other.bpd", RecordOfPlay(11111, 2, 3)));
  EXPECT_EQ(g.display.MessageLine.text, "Record File is not collect!");
  ASSERT_EQ(g.play.RecordList.size(), 1u);  // nothing else changes
  EXPECT_EQ(g.play.RecordList[0].Channel, 4);

  ReadRecordOfPlay(g, dir.Write("mine.bpd", RecordOfPlay(72894, 4, 5)));
  ASSERT_EQ(g.play.RecordList.size(), 5u);
  EXPECT_EQ(g.play.RecordList[3].Measure, 0);
  EXPECT_EQ(g.play.RecordList[3].Position, 144);
  EXPECT_EQ(g.play.RecordList[3].Offset, 0xFF00);
  EXPECT_EQ(g.play.RecordList[3].Channel, 14);
  EXPECT_EQ(g.play.RecordList[3].Value, 4);
  EXPECT_EQ(g.play.RecordList[4].Measure, 1);

  // A last index beyond the file: only the events the file holds, and a log line.
  ReadRecordOfPlay(g, dir.Write("cut.bpd", RecordOfPlay(72894, 1000000, 2) + "xyz"));
  EXPECT_EQ(g.play.RecordList.size(), 2u);
  EXPECT_NE(dir.Read("_kvxfiles/debug.txt").find("the file holds 2 of 1000001 events"), std::string::npos);
  // A negative last index gives an empty list; an empty path does nothing.
  ReadRecordOfPlay(g, dir.Write("none.bpd", RecordOfPlay(72894, -5, 0)));
  EXPECT_TRUE(g.play.RecordList.empty());
  g.play.RecordList = {ChartObject{}};
  ReadRecordOfPlay(g, "");
  EXPECT_EQ(g.play.RecordList.size(), 1u);
}

}  // namespace
}  // namespace kvx
