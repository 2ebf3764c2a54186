#include "app/game.h"

namespace kvx {

Game::Game() : clock(std::make_unique<SteadyClock>()) {
  pump.SetClock(clock.get());
  app.window = &window;
}

void Game::UseClock(std::unique_ptr<Clock> replacement) {
  clock = std::move(replacement);
  pump.SetClock(clock.get());
}

void Game::SetProgramFolder(const std::string& folder) {
  paths.program = folder;
  while (paths.program.size() > 1 && paths.program.back() == '/') paths.program.pop_back();
  paths.data = paths.program + "/_kvxfiles";
  log.SetPath(paths.data + "/debug.txt");
}

}  // namespace kvx
