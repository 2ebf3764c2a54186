#pragma once
// State of the network battle.

namespace kvx {

struct NetState {
  bool NetPlay = false;   // a battle session is set up
  bool WaitLock = false;  // song select ignores keys while the other players are awaited
};

}  // namespace kvx
