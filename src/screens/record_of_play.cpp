// Record-of-play files (".bpd"): a recorded play of one chart, loaded into the
// play recording list for the replay of the next play.
#include <algorithm>
#include <cstring>

#include "app/game.h"
#include "media/display.h"
#include "platform/files.h"
#include "screens/score_record.h"

namespace kvx {

namespace {

constexpr size_t kHeaderSize = 12;
constexpr size_t kEventSize = sizeof(ChartObject);

int32_t Int32At(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4 && at + i < bytes.size(); ++i)
    v |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + i])) << (8 * i);
  return static_cast<int32_t>(v);
}

ChartObject EventAt(const std::string& bytes, size_t at) {
  ChartObject o;
  o.Measure = Int32At(bytes, at);
  o.Position = Int32At(bytes, at + 4);
  o.Offset = Int32At(bytes, at + 8);
  o.Channel = Int32At(bytes, at + 12);
  o.Value = Int32At(bytes, at + 16);
  o.State = Int32At(bytes, at + 20);
  return o;
}

}  // namespace

void ReadRecordOfPlay(Game& g, const std::string& path) {
  if (path.empty()) return;
  LoadRecordOfPlay(g, path, ReadFileBytes(path));
}

void LoadRecordOfPlay(Game& g, const std::string& path, const std::optional<std::string>& bytes) {
  if (!bytes || bytes->size() < 4) {
    DebugLog(g, "[ReadRecordOfPlay] can't read the record file: " + path);
    return;
  }
  if (Int32At(*bytes, 0) != g.chart.BmsId) {
    ShowMessage(g.display, g.NowMs(), "Record File is not collect!");
    DebugLog(g, "[ReadRecordOfPlay] another chart's record: " + path);
    return;
  }
  // The count comes from the file: never more events than the file holds.
  const int64_t wanted = bytes->size() >= kHeaderSize ? static_cast<int64_t>(Int32At(*bytes, 8)) + 1 : 0;
  const int64_t present = bytes->size() >= kHeaderSize ? static_cast<int64_t>((bytes->size() - kHeaderSize) / kEventSize) : 0;
  const int64_t count = std::clamp<int64_t>(std::min(wanted, present), 0, kMaxRecordEvents);
  if (count < wanted)
    DebugLog(g, "[ReadRecordOfPlay] the file holds " + std::to_string(count) + " of " + std::to_string(wanted) +
                    " events: " + path);
  auto& list = g.play.RecordList;
  list.clear();
  list.reserve(static_cast<size_t>(count));
  for (int64_t i = 0; i < count; ++i) list.push_back(EventAt(*bytes, kHeaderSize + static_cast<size_t>(i) * kEventSize));
  g.play.ReplayCursor = 0;
  DebugLog(g, "[ReadRecordOfPlay] " + path + ": " + std::to_string(count) + " events");
  ShowMessage(g.display, g.NowMs(), "Record File loaded: " + std::to_string(count) + " keys");
}

}  // namespace kvx
