#include <gtest/gtest.h>

#include "ui/tooltip_place.h"

namespace {

TEST(TooltipPlace, AboveTheButtonBelowAtTheTopAndInsideTheWorkArea) {
    const ScreenRect work{0, 0, 1280, 760};
    const struct {
        const char* name;
        ScreenRect button;
        std::optional<ScreenRect> workArea;
        TooltipBox expected;
    } cases[] = {
        // text 60 x 15: box 82 x 27, centred on the button, text height + 18 above its top
        {"centred above", {500, 700, 544, 744}, work, {522 - 41, 700 - 33, 82, 27}},
        {"no work area known", {500, 10, 544, 54}, std::nullopt, {481, 10 - 33, 82, 27}},
        {"below at the top of the work area", {500, 10, 544, 54}, work, {481, 54 + 6, 82, 27}},
        {"clamped at the left edge", {0, 700, 44, 744}, work, {0, 667, 82, 27}},
        {"clamped at the right edge", {1236, 700, 1280, 744}, work, {1280 - 82, 667, 82, 27}},
        {"a work area that does not start at 0", {500, 120, 544, 164}, ScreenRect{0, 100, 1280, 760},
         {481, 164 + 6, 82, 27}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PlaceTooltip(c.button, 60, 15, c.workArea), c.expected) << c.name;
}

} // namespace
