#pragma once
// The song select screen: the list of charts, cursor moves and starting play.
#include <cstdint>

namespace kvx {

struct Game;

void ProcessKey_SongSelect(Game& game, int16_t& code);
// Draws one frame of the list and presents it.
void DrawList(Game& game);
// Moves the cursor by n entries (negative: up), wrapping, and applies the change.
void MoveListCursorBy(Game& game, int n);
// Applies a cursor change: restarts the preview timer.
void chexec(Game& game);
// (Re)starts the one-shot preview timer of the entry under the cursor.
void StartPreviewTimer(Game& game);
// The list has stopped scrolling.
void ListStopped(Game& game);
// Loads and plays the entry under the cursor.
void FadeEndSubject(Game& game);

}  // namespace kvx
