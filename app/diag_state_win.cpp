#include "app/diag_state_win.h"

#include <windows.h>

#include "app/app_options.h"
#include "base/wide_win.h"
#include "diag/diag_win.h"
#include "diag/json_writer.h"
#include "engine/engine_state.h"
#include "engine/engine_win.h"
#include "engine/session/session_engine_win.h"
#include "i18n/i18n_win.h"
#include "playlist/playlist_state.h"
#include "engine/playback_controls_win.h"
#include "ui/main_window_win.h"
#include "ui/osd_win.h"
#include "ui/panel_rows.h"
#include "ui/tooltip_win.h"
#include "ui/playback_info_win.h"
#include "ui/shell_state.h"
#include "ui/transport_state.h"

DiagRecord diagRecord;

namespace {

// A window's client rectangle: in screen coordinates for the main window, relative to the main
// window's client area for its children.
void WriteWindow(JsonWriter& json, const char* name, HWND window) {
    json.Key(name).BeginObject();
    json.Key("exists").Bool(window != nullptr);
    wchar_t className[64] = L"";
    if (window)
        GetClassNameW(window, className, ARRAYSIZE(className));
    json.Key("class").String(U16(className));
    const LONG_PTR exStyle = window ? GetWindowLongPtrW(window, GWL_EXSTYLE) : 0;
    json.Key("toolWindow").Bool((exStyle & WS_EX_TOOLWINDOW) != 0);
    RECT rc{};
    if (window) {
        GetClientRect(window, &rc);
        MapWindowPoints(window, window == ui.main ? HWND_DESKTOP : ui.main, reinterpret_cast<POINT*>(&rc), 2);
    }
    json.Key("visible").Bool(window && IsWindowVisible(window));
    json.Key("x").Int(rc.left).Key("y").Int(rc.top);
    json.Key("width").Int(rc.right - rc.left).Key("height").Int(rc.bottom - rc.top);
    json.EndObject();
}

void WriteShellFields(JsonWriter& json) {
    json.Key("paintCount").Int(shell.paintCount);
    json.Key("isFullscreen").Bool(shell.isFullscreen);
    json.Key("controlsShown").Bool(shell.controlsShown);
    json.Key("playlistVisible").Bool(shell.playlistVisible);
    json.Key("compactMusicMode").Bool(shell.compactMusicMode);
    json.Key("titleText").String(CurrentTitleText());
    json.Key("windowClosing").Bool(shell.windowClosing.load());
    json.Key("videoDragState").Int(shell.videoDragState);
    json.Key("windows").BeginObject();
    WriteWindow(json, "main", ui.main);
    WriteWindow(json, "video", ui.video);
    WriteWindow(json, "music", ui.music);
    WriteWindow(json, "panel", ui.panel);
    WriteWindow(json, "osd", ui.osd);
    WriteWindow(json, "tooltip", ui.tip);
    json.EndObject();
}

void WriteEngineFields(JsonWriter& json) {
    json.Key("engineKind").Utf8String(EngineKindName(engine.engineKind));
    json.Key("dragOld").Bool(engine.dragOld);
    json.Key("noEndDefer").Bool(engine.noEndDefer);
    json.Key("statusText").String(engine.statusText);
    json.Key("durationSec").Double(engine.durationSec);
    json.Key("paused").Bool(engine.paused);
    json.Key("hasVideo").Bool(engine.hasVideo);
    json.Key("examining").Bool(engine.examining);
    json.Key("openGeneration").Int(engine.openGeneration);
    json.Key("currentIndex").Int(currentIndex);
    json.Key("repeatMode").Int(transport.repeatMode);
    json.Key("playlist").BeginArray();
    for (const auto& item : playlist)
        json.String(item);
    json.EndArray();
    json.Key("path").String(CurrentIndexValid() ? playlist[static_cast<size_t>(currentIndex)] : std::u16string());
    json.Key("sessionReady").Bool(sessionEngine && sessionEngine->ready);
    json.Key("sessionClockSec").Double(SessionClockSeconds());
    json.Key("framesConverted").Int(sessionEngine && sessionEngine->frameSink ? sessionEngine->frameSink->ConvertedFrames() : 0);
    json.Key("framesPainted").Int(PaintedVideoFrames());
    json.Key("webm").BeginObject();
    json.Key("scanned").Bool(webmRecord.scanned);
    json.Key("needsRepair").Bool(webmRecord.needsRepair);
    json.Key("repaired").Bool(webmRecord.openedRepaired);
    json.Key("scanDuration").Double(webmRecord.scanDuration);
    json.EndObject();
}

// What the user has set and what the controls are doing.
void WriteTransportFields(JsonWriter& json) {
    double pos = -1, dur = -1;
    GetTimes(pos, dur);
    json.Key("positionSec").Double(pos);
    json.Key("speed").Double(engine.speed);
    json.Key("previousSpeed").Double(transport.previousSpeed);
    json.Key("volume").Double(engine.volume);
    json.Key("muted").Bool(engine.muted);
    json.Key("loopStart").Double(transport.loopStart);
    json.Key("loopEnd").Double(transport.loopEnd);
    json.Key("loopActive").Bool(transport.loopActive);
    json.Key("osdText").String(osd.text);
    json.Key("osdCount").Int(osd.count);
    json.Key("osdVisible").Bool(ui.osd && IsWindowVisible(ui.osd));
    json.Key("menuOpen").Bool(shell.menuOpen);
    json.Key("mouseMode").Int(shell.mouseMode);
    json.Key("dragTarget").Double(shell.dragTarget);
    json.Key("hoverControl").Int(shell.hoverControl);
    json.Key("tooltipText").String(tooltipText);
    json.Key("panelScroll").Int(panelScroll);
    json.Key("sessionVolume").Double(LastSessionVolume());
    json.Key("targetGain").Int(LiveTargetGain());
}

void WriteHandoffFields(JsonWriter& json) {
    json.Key("handoffCount").Int(diagRecord.handoffCount);
    json.Key("lastHandoff").BeginArray();
    for (const auto& path : diagRecord.lastHandoff)
        json.String(path);
    json.EndArray();
}

} // namespace

void WriteDiagState() {
    if (!DiagEnabled())
        return;
    JsonWriter json;
    json.BeginObject();
    json.Key("processId").Int(GetCurrentProcessId());
    json.Key("probeMode").Bool(appOptions.probeMode);
    json.Key("lang").Utf8String(I18nLangCode());
    json.Key("i18nMissCount").Int(I18nMissCount());
    WriteEngineFields(json);
    WriteTransportFields(json);
    WriteShellFields(json);
    WriteHandoffFields(json);
    json.EndObject();
    DiagWriteStateText(json.Text() + "\n");
}
