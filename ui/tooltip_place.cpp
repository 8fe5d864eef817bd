#include "ui/tooltip_place.h"

TooltipBox PlaceTooltip(const ScreenRect& button, int textWidth, int textHeight,
                        const std::optional<ScreenRect>& workArea) {
    TooltipBox box;
    box.width = textWidth + kTooltipPadX;
    box.height = textHeight + kTooltipPadY;
    const int anchorX = (button.left + button.right) / 2;
    box.x = anchorX - box.width / 2;
    box.y = button.top - textHeight - 18;
    if (!workArea)
        return box;
    if (box.y < workArea->top)
        box.y = button.bottom + kTooltipGap; // no room above: below the button
    if (box.x < workArea->left)
        box.x = workArea->left;
    if (box.x + box.width > workArea->right)
        box.x = workArea->right - box.width;
    return box;
}
