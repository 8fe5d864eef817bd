#include "ui/main_window_win.h"

#include "i18n/i18n_win.h"
#include "ui/osd_win.h"
#include "ui/panel_win.h"
#include "ui/shell_state.h"
#include "ui/tooltip_win.h"

UiWindows ui;

namespace {

struct ChildClass {
    const wchar_t* name;
    UINT style;
    int brush; // stock object
    bool arrowCursor;
    WNDPROC procedure;
};

bool RegisterChildClass(HINSTANCE instance, const ChildClass& c) {
    WNDCLASSEXW wc{sizeof wc};
    wc.style = c.style;
    wc.lpfnWndProc = c.procedure;
    wc.hInstance = instance;
    wc.hCursor = c.arrowCursor ? LoadCursorW(nullptr, IDC_ARROW) : nullptr;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(c.brush));
    wc.lpszClassName = c.name;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CreateChild(HWND main, const wchar_t* cls, DWORD style, DWORD exStyle) {
    // Children take the main window as parent, pop-ups as owner.
    const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(main, GWLP_HINSTANCE));
    return CreateWindowExW(exStyle, cls, L"", style, 0, 0, 10, 10, main, nullptr, instance, nullptr);
}

} // namespace

void CreateChildWindows(HWND main) {
    const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(main, GWLP_HINSTANCE));
    // The panel, OSD and tooltip get their own painting elsewhere; until a window has a procedure
    // of its own, the system's default keeps it inert.
    const ChildClass classes[] = {
        {kVideoClass, CS_DBLCLKS, BLACK_BRUSH, true, PictureWindowProc},
        {kPanelClass, 0, BLACK_BRUSH, true, PanelWindowProc},
        {kMusicClass, CS_DBLCLKS, BLACK_BRUSH, true, PictureWindowProc},
        {kOsdClass, 0, BLACK_BRUSH, false, OsdWindowProc},
        {kTipClass, 0, NULL_BRUSH, false, TipWindowProc},
    };
    for (const auto& c : classes)
        RegisterChildClass(instance, c);

    ui.video = CreateChild(main, kVideoClass, WS_CHILD | WS_VISIBLE, 0);
    ui.panel = CreateChild(main, kPanelClass, WS_CHILD, 0);
    ui.music = CreateChild(main, kMusicClass, WS_CHILD, 0);
    ui.osd = CreateChild(main, kOsdClass, WS_POPUP,
                         WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT);
    ui.tip = CreateChild(main, kTipClass, WS_POPUP,
                         WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT | WS_EX_TOPMOST);
    if (ui.osd)
        SetLayeredWindowAttributes(ui.osd, 0, 220, LWA_ALPHA);
}

bool RegisterMainWindowClass(HINSTANCE instance, bool probe, HICON icon) {
    WNDCLASSEXW wc{sizeof wc};
    wc.style = 0;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = icon;
    wc.hIconSm = icon;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = probe ? kProbeClass : kMainClass;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CreateMainWindow(HINSTANCE instance, bool probe) {
    const int position = probe ? -32000 : CW_USEDEFAULT;
    HWND main = CreateWindowExW(probe ? WS_EX_TOOLWINDOW : 0, probe ? kProbeClass : kMainClass,
                                I18nText(L"Jaskel Player"), WS_OVERLAPPEDWINDOW, position, position, 1000, 660, nullptr,
                                nullptr, instance, nullptr);
    // Creation measures the frame with the system caption; a frame change makes the window
    // measure it again without.
    if (main)
        SetWindowPos(main, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return main;
}
