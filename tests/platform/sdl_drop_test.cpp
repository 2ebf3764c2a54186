// Files dropped together on the window: only the first one counts.
#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/event_pump.h"
#include "platform/sdl_events.h"

namespace kvx {
namespace {

void PushDrop(Uint32 type, const char* file) {
  SDL_Event e{};
  e.type = type;
  e.drop.file = file ? SDL_strdup(file) : nullptr;
  ASSERT_EQ(SDL_PushEvent(&e), 1);
}

TEST(SdlDrop, OnlyTheFirstFileOfADropCounts) {
  ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0) << SDL_GetError();
  EventPump pump;
  InstallSdlEventSource(pump, {});
  std::vector<std::string> dropped;
  pump.AddListener([&](const PlatformEvent& e) {
    if (e.kind == PlatformEvent::Kind::DropFile) dropped.push_back(e.text);
  });
  PushDrop(SDL_DROPBEGIN, nullptr);
  PushDrop(SDL_DROPFILE, "/a/first.bms");
  PushDrop(SDL_DROPFILE, "/a/second.bms");
  PushDrop(SDL_DROPFILE, "/a/third.kbl");
  PushDrop(SDL_DROPCOMPLETE, nullptr);
  PushDrop(SDL_DROPFILE, "/b/alone.bms");  // a drop without its begin and end
  pump.Pump();
  PushDrop(SDL_DROPBEGIN, nullptr);
  PushDrop(SDL_DROPFILE, "/c/next.kbl");
  PushDrop(SDL_DROPCOMPLETE, nullptr);
  pump.Pump();
  EXPECT_EQ(dropped, (std::vector<std::string>{"/a/first.bms", "/b/alone.bms", "/c/next.kbl"}));
  SDL_Quit();
}

}  // namespace
}  // namespace kvx
