#include "ui/osd_win.h"

#include <windows.h>

#include "ui/main_window_win.h"

OsdState osd;

void ShowOsd(const std::u16string& text) {
    osd.text = text;
    osd.hideTick = GetTickCount64() + kOsdLifeMs;
    ++osd.count;
    if (ui.main)
        PostMessageW(ui.main, WM_APP_SHOW_OSD, 0, 0);
}
