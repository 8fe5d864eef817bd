#include "app/updater_start_win.h"

#include "base/utf.h"
#include "base/wide_win.h"
#include "i18n/i18n_win.h"
#include "update/updater_win.h"
#include "update/version.h"

void StartPlayerUpdater(HWND mainWindow, const std::vector<std::u16string>& args) {
    UpdParams params;
    params.app = "player";
    params.version = Utf16ToUtf8(kProgramVersion);
    params.title = U16(I18nText(L"Jaskel Player"));
    params.mainWindow = mainWindow;
    StartUpdater(params, args);
}
