#pragma once
// Connects the layers once the main window exists: the engine and the playlist report upwards
// through the notices filled in here, and every state change is recorded for diagnostics.

void ConnectLayers();
