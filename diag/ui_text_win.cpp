#include "diag/ui_text_win.h"

#include "base/wide_win.h"
#include "diag/diag_win.h"
#include "i18n/i18n_win.h"
#include "i18n/rtl_rule.h"

namespace {

bool IsLetter(char16_t c) { return IsCharAlphaW(static_cast<wchar_t>(c)) != FALSE; }

} // namespace

int DrawUiText(HDC dc, std::u16string_view windowClass, const std::u16string& text, RECT* rect, UINT format) {
    if (NeedsRtlReading(I18nIsRtl(), text, IsLetter))
        format |= DT_RTLREADING;
    DiagNoteText(windowClass, text);
    return DrawTextW(dc, Wide(text), static_cast<int>(text.size()), rect, format);
}

int ShowUiMessageBox(HWND owner, const std::u16string& text, const std::u16string& caption, UINT style) {
    DiagNoteText(u"#32770", text); // the system's dialog class shows the box
    style = UiMessageBoxStyle(style);
    return MessageBoxW(owner, Wide(text), Wide(caption), style);
}

void NoteUiWindowText(std::u16string_view windowClass, const std::u16string& text) {
    DiagNoteText(windowClass, text);
}

UINT UiMessageBoxStyle(UINT style) { return I18nIsRtl() ? style | MB_RTLREADING | MB_RIGHT : style; }

UINT UiMenuTrackFlags(UINT flags) { return I18nIsRtl() ? flags | TPM_LAYOUTRTL : flags; }
