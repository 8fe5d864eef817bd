#include "ui/picture_drag.h"

bool DragThresholdExceeded(ScreenPoint start, ScreenPoint cursor) {
    const long long dx = static_cast<long long>(cursor.x) - start.x;
    const long long dy = static_cast<long long>(cursor.y) - start.y;
    if (dx > 4 || dx < -4 || dy > 4 || dy < -4)
        return true; // also keeps the squares below from overflowing
    return dx * dx + dy * dy > kDragStartSquaredDistance;
}

ScreenPoint DragDelta(ScreenPoint last, ScreenPoint cursor) { return {cursor.x - last.x, cursor.y - last.y}; }
