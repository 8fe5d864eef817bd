#pragma once
// The observable state changed: the engine, the playlist and the window say so here, and the
// program's top layer decides what to record (state.json). Without a handler nothing happens.

using StateNoticeHandler = void (*)();

void SetStateNoticeHandler(StateNoticeHandler handler);
void NotifyStateChanged();
