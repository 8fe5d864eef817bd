#include "ui/transport_win.h"

#include <windows.h>

#include <algorithm>

#include "base/wide_win.h"
#include "diag/state_notice.h"
#include "engine/engine_state.h"
#include "engine/mfplay_win.h"
#include "engine/playback_controls_win.h"
#include "i18n/i18n_win.h"
#include "ui/layout.h"
#include "ui/main_window_win.h"
#include "ui/osd_win.h"
#include "ui/shell_state.h"
#include "ui/transport_rules.h"
#include "ui/transport_state.h"

namespace {

// The session engine boosts up to 400 % through its own gain transform; MFPlay stops at 100 %.
double MaxGain() { return engine.engineKind == EngineKind::Session ? 4.0 : 1.0; }

void InvalidateControlBar() {
    if (!ui.main)
        return;
    RECT client{};
    GetClientRect(ui.main, &client);
    const LayoutRect strip = ControlBarStrip(client.right, client.bottom);
    const RECT rect{strip.x, strip.y, strip.x + strip.width, strip.y + strip.height};
    InvalidateRect(ui.main, &rect, FALSE);
}

void Osd(const std::wstring& text) { ShowOsd(U16(text.c_str(), text.size())); }
void Osd(const wchar_t* source) { Osd(std::wstring(I18nText(source))); }

std::wstring ClockText(double seconds) { return WideFromUtf8(FormatClock(seconds).c_str()); }

LoopPoints CurrentLoop() { return {transport.loopStart, transport.loopEnd, transport.loopActive}; }

void StoreLoop(const LoopPoints& loop) {
    transport.loopStart = loop.a;
    transport.loopEnd = loop.b;
    transport.loopActive = loop.active;
}

bool SeekDragging() { return shell.mouseMode == 1; }

double Duration() {
    double pos = -1, dur = -1;
    GetTimes(pos, dur);
    return dur;
}

void ShowSpeedOsd() { Osd(I18nFormat(L"속도 %.2gx", static_cast<double>(engine.speed))); }

void ShowVolumeOsd() { Osd(I18nFormat(L"볼륨 %d%%", VolumePercent(engine.volume))); }

} // namespace

void SetSpeed(float speed) {
    const SpeedSetting now = SetSpeedRule({engine.speed, transport.previousSpeed}, speed);
    engine.speed = now.speed;
    transport.previousSpeed = now.previousSpeed;
    ApplyRate();
    InvalidateControlBar();
    ShowSpeedOsd();
    NotifyStateChanged();
}

void StepSpeed(float delta) { SetSpeed(SteppedSpeed(engine.speed, delta)); }

void ToggleNormalSpeed() { SetSpeed(NormalSpeedToggle({engine.speed, transport.previousSpeed})); }

void ChangeVolume(float volume) {
    engine.volume = KeptVolume(volume, MaxGain());
    engine.muted = false;
    ApplyVolume();
    ShowVolumeOsd();
    NotifyStateChanged();
}

void StepVolume(float delta) {
    ChangeVolume(static_cast<float>(SliderToGain(GainToSlider(engine.volume) + delta)));
}

void ToggleMute() {
    engine.muted = !engine.muted;
    ApplyVolume();
    Osd(engine.muted ? L"음소거" : L"음소거 해제");
    NotifyStateChanged();
}

void SetRepeatMode(int mode) {
    static const wchar_t* const kTexts[] = {L"반복 끔", L"전체 반복", L"한 항목 반복"};
    transport.repeatMode = mode < 0 || mode > 2 ? 0 : mode;
    Osd(kTexts[transport.repeatMode]);
    NotifyStateChanged();
}

void CycleRepeatMode() { SetRepeatMode((transport.repeatMode + 1) % 3); }

void SetLoopStart() {
    LoopPoints loop = CurrentLoop();
    const double t = ShownPosition();
    if (!SetLoopStartAt(loop, t))
        return;
    StoreLoop(loop);
    Osd(I18nFormat(L"반복 시작 A · %s", ClockText(t).c_str()));
    NotifyStateChanged();
}

void SetLoopEnd() {
    LoopPoints loop = CurrentLoop();
    const double b = SetLoopEndAt(loop, ShownPosition(), Duration());
    if (b < 0)
        return;
    StoreLoop(loop);
    Osd(I18nFormat(L"반복 끝 B · %s", ClockText(b).c_str()));
    NotifyStateChanged();
}

void ToggleLoop() {
    LoopPoints loop = CurrentLoop();
    const LoopToggleResult result = ToggleLoopRule(loop);
    StoreLoop(loop);
    if (result == LoopToggleResult::NeedsPoints) {
        Osd(L"먼저 A와 B 지점을 지정하세요");
        return;
    }
    Osd(result == LoopToggleResult::TurnedOn ? L"A-B 반복 켬" : L"A-B 반복 끔");
    if (result == LoopToggleResult::TurnedOn)
        JumpToLoopStart();
    NotifyStateChanged();
}

void ClearLoop() {
    StoreLoop({});
    Osd(L"A-B 반복 지점 지움");
    NotifyStateChanged();
}

void JumpToLoopStart() {
    if (transport.loopStart < 0)
        return;
    SeekTo(transport.loopStart);
    // MFPlay stays paused after a position change unless it is told to play.
    if (engine.engineKind == EngineKind::MFPlay && !engine.paused && mfplayPlayer)
        mfplayPlayer->Play();
    transport.loopLastJumpTick = GetTickCount64();
}

void CheckLoop() {
    double pos = -1, dur = -1;
    if (!transport.loopActive || SeekDragging())
        return;
    const std::uint64_t since = GetTickCount64() - transport.loopLastJumpTick;
    if (since < kLoopJumpSettleMs)
        return;
    GetTimes(pos, dur);
    if (LoopJumpDue(CurrentLoop(), SeekDragging(), since, pos))
        JumpToLoopStart();
}

void ShowSeekOsd(double delta) {
    const double shown = engine.seekTargetSec >= 0 ? engine.seekTargetSec : std::max(ShownPosition(), 0.0);
    const wchar_t* direction = I18nText(delta < 0 ? L"뒤로" : L"앞으로");
    Osd(I18nFormat(L"%d초 %s · %s", static_cast<int>(delta < 0 ? -delta : delta), direction,
                   ClockText(shown).c_str()));
}

double GainToSlider(double volume) { return GainToSliderFraction(volume, MaxGain()); }

double SliderToGain(double fraction) { return SliderFractionToGain(fraction, MaxGain()); }
