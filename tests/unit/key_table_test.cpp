#include <gtest/gtest.h>

#include "ui/key_table.h"

namespace {

TEST(KeyTable, WhichKeysActOnRepeat) {
    const struct {
        unsigned key;
        KeyAction action;
        bool repeats;
    } cases[] = {
        {0x09, KeyAction::PlaybackInfo, false}, {0x0D, KeyAction::Fullscreen, false},
        {'F', KeyAction::Fullscreen, false},    {0x1B, KeyAction::Escape, false},
        {0x20, KeyAction::PlayPause, false},    {0x25, KeyAction::SeekBack, true},
        {0x27, KeyAction::SeekForward, true},   {0x26, KeyAction::VolumeUp, true},
        {0x28, KeyAction::VolumeDown, true},    {'C', KeyAction::Faster, true},
        {'X', KeyAction::Slower, true},         {'L', KeyAction::PlaylistPanel, false},
        {'M', KeyAction::Mute, false},          {'N', KeyAction::Next, false},
        {'P', KeyAction::Previous, false},      {'R', KeyAction::CycleRepeat, false},
        {'Z', KeyAction::NormalSpeed, false},   {0x74, KeyAction::LoopStart, false},
        {0x75, KeyAction::LoopEnd, false},      {0x76, KeyAction::LoopClear, false},
        {0x77, KeyAction::LoopToggle, false},
    };
    for (const auto& c : cases) {
        const auto binding = LookUpKey(c.key);
        ASSERT_TRUE(binding) << c.key;
        EXPECT_EQ(binding->action, c.action) << c.key;
        EXPECT_EQ(binding->actsOnRepeat, c.repeats) << c.key;
    }
    for (unsigned unlisted : {unsigned{'A'}, unsigned{'Q'}, 0x70u, 0x2Eu, 0x11u, 'f' + 0u})
        EXPECT_FALSE(LookUpKey(unlisted)) << unlisted;
}

TEST(KeyTable, TheHookActsOnlyWhileThePlayerHasTheKeyboard) {
    using D = HookDecision;
    const KeyboardOwner player{true, false};
    const struct {
        const char* name;
        KeyEvent key;
        KeyboardOwner owner;
        D decision;
    } cases[] = {
        {"space pressed", {true, false, false, 0x20}, player, D::Act},
        {"space held down", {true, false, true, 0x20}, player, D::Swallow},
        {"right held down repeats", {true, false, true, 0x27}, player, D::Act},
        {"a release goes on", {true, true, false, 0x20}, player, D::PassOn},
        {"not HC_ACTION", {false, false, false, 0x20}, player, D::PassOn},
        {"an unlisted key", {true, false, false, 'A'}, player, D::PassOn},
        {"N typed into a file dialog", {true, false, false, 'N'}, {false, false}, D::PassOn},
        {"Enter in a message box", {true, false, false, 0x0D}, {false, false}, D::PassOn},
        {"Escape in the context menu", {true, false, false, 0x1B}, {true, true}, D::PassOn},
        {"Down in the context menu", {true, false, false, 0x28}, {true, true}, D::PassOn},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecideKey(c.key, c.owner), c.decision) << c.name;
}

} // namespace
