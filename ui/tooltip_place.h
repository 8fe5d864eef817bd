#pragma once
// Where a control-bar tooltip goes: centred above its button, 6 pixels clear, or below it when
// that would leave the top of the work area, and kept inside the work area horizontally. All in
// screen coordinates.
#include <optional>

struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct TooltipBox {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const TooltipBox&) const = default;
};

inline constexpr int kTooltipPadX = 22;
inline constexpr int kTooltipPadY = 12;
inline constexpr int kTooltipGap = 6;

TooltipBox PlaceTooltip(const ScreenRect& button, int textWidth, int textHeight,
                        const std::optional<ScreenRect>& workArea);
