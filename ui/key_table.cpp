#include "ui/key_table.h"

namespace {

struct KeyRow {
    unsigned virtualKey;
    KeyBinding binding;
};

constexpr KeyRow kKeys[] = {
    {0x09, {KeyAction::PlaybackInfo, false}}, // Tab
    {0x0D, {KeyAction::Fullscreen, false}},   // Enter
    {'F', {KeyAction::Fullscreen, false}},
    {0x1B, {KeyAction::Escape, false}},
    {0x20, {KeyAction::PlayPause, false}}, // Space
    {0x25, {KeyAction::SeekBack, true}},   // Left
    {0x27, {KeyAction::SeekForward, true}}, // Right
    {0x26, {KeyAction::VolumeUp, true}},   // Up
    {0x28, {KeyAction::VolumeDown, true}}, // Down
    {'C', {KeyAction::Faster, true}},
    {'X', {KeyAction::Slower, true}},
    {'L', {KeyAction::PlaylistPanel, false}},
    {'M', {KeyAction::Mute, false}},
    {'N', {KeyAction::Next, false}},
    {'P', {KeyAction::Previous, false}},
    {'R', {KeyAction::CycleRepeat, false}},
    {'Z', {KeyAction::NormalSpeed, false}},
    {0x74, {KeyAction::LoopStart, false}}, // F5
    {0x75, {KeyAction::LoopEnd, false}},   // F6
    {0x76, {KeyAction::LoopClear, false}}, // F7
    {0x77, {KeyAction::LoopToggle, false}}, // F8
};

} // namespace

std::optional<KeyBinding> LookUpKey(unsigned virtualKey) {
    for (const auto& row : kKeys) {
        if (row.virtualKey == virtualKey)
            return row.binding;
    }
    return std::nullopt;
}

HookDecision DecideKey(const KeyEvent& key, const KeyboardOwner& owner) {
    if (!key.isAction || key.released || !owner.mainWindowActive || owner.menuTracked)
        return HookDecision::PassOn;
    const auto binding = LookUpKey(key.virtualKey);
    if (!binding)
        return HookDecision::PassOn;
    if (key.repeat && !binding->actsOnRepeat)
        return HookDecision::Swallow;
    return HookDecision::Act;
}
