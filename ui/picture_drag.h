#pragma once
// Moving the window by dragging the picture: a press arms the drag, and only a move of more than
// 4 pixels from the press point starts it, so a click or double-click never nudges the window.
#include "ui/shell_state.h"

inline constexpr int kDragStartSquaredDistance = 16;

bool DragThresholdExceeded(ScreenPoint start, ScreenPoint cursor);

// The window offset for one move step while dragging.
ScreenPoint DragDelta(ScreenPoint last, ScreenPoint cursor);
