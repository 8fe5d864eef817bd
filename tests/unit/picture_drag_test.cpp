#include <gtest/gtest.h>

#include "ui/picture_drag.h"

namespace {

TEST(PictureDrag, StartsOnlyBeyondFourPixels) {
    struct Case {
        ScreenPoint cursor;
        bool starts;
    } cases[] = {
        {{100, 100}, false}, {{104, 100}, false}, {{100, 96}, false}, {{105, 100}, true},
        {{103, 103}, true},  {{102, 103}, false}, {{97, 97}, true},   {{100, 200}, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DragThresholdExceeded({100, 100}, c.cursor), c.starts) << c.cursor.x << "," << c.cursor.y;
}

TEST(PictureDrag, FarPointsDoNotOverflow) {
    EXPECT_TRUE(DragThresholdExceeded({-2000000000, -2000000000}, {2000000000, 2000000000}));
}

TEST(PictureDrag, DeltaIsTheCursorMovement) {
    const ScreenPoint d = DragDelta({10, 20}, {7, 31});
    EXPECT_EQ(d.x, -3);
    EXPECT_EQ(d.y, 11);
}

} // namespace
