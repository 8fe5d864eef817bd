#include "ui/playback_info_win.h"

#include <windows.h>

#include "base/wide_win.h"
#include "diag/ui_text_win.h"
#include "engine/engine_state.h"
#include "engine/playback_controls_win.h"
#include "i18n/i18n_win.h"
#include "playlist/playlist_state.h"
#include "ui/main_window_win.h"
#include "ui/transport_rules.h"
#include "update/version.h"

namespace {

double InfoDuration() {
    double position = -1, duration = -1;
    GetTimes(position, duration);
    return duration;
}

const wchar_t* Version() { return reinterpret_cast<const wchar_t*>(kProgramVersion); }

std::wstring InfoText() {
    if (!CurrentIndexValid())
        return I18nFormat(L"재생 중인 파일이 없습니다.\n\nJaskel Player %ls", Version());
    const std::u16string& path = playlist[static_cast<size_t>(currentIndex)];
    const std::u16string name = DisplayName(path);
    return I18nFormat(L"파일: %ls\n길이: %ls\n속도: %ls\n비디오: %ls\n경로: %ls\n\nJaskel Player %ls", Wide(name),
                      Wide(InfoDurationText(InfoDuration())), Wide(SpeedText(engine.speed)),
                      I18nText(engine.hasVideo ? L"예" : L"아니요(음악)"), Wide(path), Version());
}

} // namespace

std::u16string CurrentTitleText() {
    const std::u16string program = U16(I18nText(L"Jaskel Player"));
    if (!CurrentIndexValid())
        return WindowTitleText(nullptr, program);
    return WindowTitleText(&playlist[static_cast<size_t>(currentIndex)], program);
}

void UpdateWindowTitle() {
    if (!ui.main)
        return;
    const std::u16string title = CurrentTitleText();
    SetWindowTextW(ui.main, Wide(title));
    NoteUiWindowText(u"JaskelMFPlayer", title);
    const RECT titleBar{0, 0, 32767, 36};
    InvalidateRect(ui.main, &titleBar, FALSE);
}

void ShowPlaybackInfo() {
    const std::wstring text = InfoText();
    const UINT style = CurrentIndexValid() ? MB_ICONINFORMATION : MB_OK;
    ShowUiMessageBox(ui.main, U16(text.c_str(), text.size()), U16(I18nText(L"재생 정보")), style);
}
