// The record-of-play reader (".bpd"), fed the bytes of a record file, and the
// replay of the recording it loads over a short chart (frames without drawing).
#include <algorithm>

#include "chart/bms_commands.h"
#include "fuzz_game.h"
#include "play/chart_load.h"
#include "play/judge.h"
#include "play/play_loop.h"
#include "screens/score_record.h"

using namespace kvx;

namespace {

int32_t Int32At(std::string_view bytes) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4 && i < bytes.size(); ++i) v |= uint32_t{static_cast<uint8_t>(bytes[i])} << (8 * i);
  return static_cast<int32_t>(v);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  auto game = fuzz::MakeGame();
  Game& g = *game;
  auto owned = std::make_unique<ScriptedClock>(100000, 1);
  ScriptedClock& clock = *owned;
  g.UseClock(std::move(owned));
  BMSInit(g);
  BMSReadText(g, "fuzz.bms", "\r\n#BPM 150\r\n#WAV01 a.wav\r\n#00111:0101\r\n#00112:01\r\n#00211:01\r\n");
  BMSPrepare(g);
  // Most inputs are taken as a record of this chart; the others as one of another chart.
  if (fuzz::Choice(bytes) % 8 != 0) g.chart.BmsId = Int32At(bytes);

  LoadRecordOfPlay(g, "fuzz.bpd", std::string(bytes));
  if (g.play.RecordList.size() > static_cast<size_t>(kMaxRecordEvents)) fuzz::Fail();

  // The replay: the recorded presses sound as the play passes them.
  const int32_t recorded = static_cast<int32_t>(g.play.RecordList.size());
  ResetPlayState(g);
  g.settings.PlayRec = true;
  g.chart.BackgroundPreview = true;
  g.play.ReplayLimit = recorded;
  g.play.ReplayCursor = 0;
  g.play.Playing = true;
  SeekChart(g, 0, false);
  for (int frame = 0; frame < 100 && g.play.Playing; ++frame) {
    clock.Advance(40);
    UpdateFrame(g);
  }
  return 0;
}
