#include "update/progress_win.h"

#include <commctrl.h>

#include <atomic>

#include "base/no_throw.h"
#include "base/wide_win.h"
#include "diag/ui_text_win.h"
#include "i18n/i18n_win.h"
#include "update/progress_text.h"
#include "update/upd_log.h"
#include "update/upd_log_win.h"
#include "update/upd_messages_win.h"
#include "update/upd_system_win.h"

namespace {

constexpr wchar_t kClassName[] = L"JKUpdProgress";
constexpr char16_t kClassName16[] = u"JKUpdProgress";
constexpr wchar_t kWebsite[] = L"https://jaskel.net/";
constexpr DWORD kPumpSleepMs = 15;
constexpr UINT kBusyTimeoutMs = 2000;
constexpr UINT kMarqueeMs = 30;

// Layout at 96 DPI.
constexpr int kWindowWidth = 460;
constexpr int kWindowHeight = 150;
constexpr int kMargin = 16;
constexpr int kStatusTop = 14;
constexpr int kStatusHeight = 40;
constexpr int kBarTop = 58;
constexpr int kBarHeight = 16;
constexpr int kButtonTop = 84;
constexpr int kButtonWidth = 96;
constexpr int kButtonHeight = 28;
constexpr int kFontHeight = 14;

struct ProgressState {
    HWND window = nullptr;
    HWND status = nullptr;
    HWND bar = nullptr;
    HWND cancel = nullptr;
    HFONT font = nullptr;
    bool noClose = false;
    ULONGLONG startTick = 0;
};

ProgressState progress;
std::atomic<HWND> progressWindow{nullptr}; // read by the download thread

int Scaled(int value) {
    return MulDiv(value, static_cast<int>(GetDpiForSystem()), 96);
}

std::u16string WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(window, text.data(), length + 1);
    return U16(text.c_str(), static_cast<size_t>(got));
}

void Cancel() {
    UpdCancelFlag.exchange(true);
    EnableWindow(progress.cancel, FALSE);
    SetUpdProgressText(U16(I18nText(L"업데이트를 멈추는 중…")));
}

void OnProgress(WPARAM receivedKiB, LPARAM expectedKiB) {
    const UpdProgressView view =
        ComputeUpdProgress(static_cast<std::uint64_t>(receivedKiB), static_cast<std::uint64_t>(expectedKiB),
                           GetTickCount64() - progress.startTick);
    if (view.barPosition)
        SendMessageW(progress.bar, PBM_SETPOS, static_cast<WPARAM>(*view.barPosition), 0);
    const std::wstring text = view.withEstimate
                                  ? I18nFormat(L"새 버전을 내려받는 중 — %.1f / %.1f MB · 약 %d초 남음",
                                               view.receivedMb, view.expectedMb, view.secondsLeft)
                                  : I18nFormat(L"새 버전을 내려받는 중 — %.1f MB", view.receivedMb);
    SetUpdProgressText(U16(text.c_str()));
}

// The status line is drawn here so that it is logged and follows the reading direction.
void DrawStatus(const DRAWITEMSTRUCT& item) {
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    const HGDIOBJ oldFont = progress.font ? SelectObject(item.hDC, progress.font) : nullptr;
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(COLOR_BTNTEXT));
    RECT rect = item.rcItem;
    const UINT align = I18nIsRtl() ? DT_RIGHT : DT_LEFT;
    DrawUiText(item.hDC, kClassName16, WindowText(item.hwndItem), &rect, DT_WORDBREAK | DT_NOPREFIX | align);
    if (oldFont)
        SelectObject(item.hDC, oldFont);
}

LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_UPD_PROGRESS:
        OnProgress(wParam, lParam);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == kUpdCancelId && HIWORD(wParam) == BN_CLICKED && progress.cancel)
            Cancel();
        return 0;
    case WM_CLOSE:
        // Once Cancel is hidden for the permission prompt the installer is about to start, and the
        // close box must not claim to stop it.
        if (!progress.noClose && progress.cancel && IsWindowEnabled(progress.cancel) &&
            IsWindowVisible(progress.cancel))
            Cancel();
        return 0;
    case WM_DRAWITEM:
        if (reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem == progress.status) {
            DrawStatus(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        }
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK ProgressProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallNoThrow<LRESULT>(0, [&] { return HandleMessage(window, message, wParam, lParam); });
}

void RegisterProgressClass(HINSTANCE instance) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = ProgressProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass); // fails harmlessly when already registered
}

HFONT MakeFont() {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return nullptr;
    LOGFONTW font = metrics.lfMessageFont;
    font.lfHeight = -Scaled(kFontHeight);
    lstrcpynW(font.lfFaceName, I18nFontFace(), LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

HWND CreateProgressFrame(HINSTANCE instance, const std::u16string& title) {
    RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = Scaled(kWindowWidth);
    const int height = Scaled(kWindowHeight);
    const std::wstring caption = I18nFormat(L"%ls — 업데이트", Wide(title));
    NoteUiWindowText(kClassName16, U16(caption.c_str()));
    const DWORD rtl = I18nIsRtl() ? WS_EX_RTLREADING : 0;
    return CreateWindowExW(WS_EX_TOPMOST | WS_EX_DLGMODALFRAME | rtl, kClassName, caption.c_str(),
                           WS_POPUPWINDOW | WS_DLGFRAME, work.left + (work.right - work.left - width) / 2,
                           work.top + (work.bottom - work.top - height) / 2, width, height, nullptr, nullptr,
                           instance, nullptr);
}

HWND CreateChild(const wchar_t* className, DWORD style, int x, int y, int width, int height, int id) {
    const DWORD rtl = I18nIsRtl() ? WS_EX_RTLREADING : 0;
    HWND child = CreateWindowExW(rtl, className, L"", WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                                 progress.window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
    if (child && progress.font)
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(progress.font), TRUE);
    return child;
}

void CreateControls(bool required) {
    RECT client;
    GetClientRect(progress.window, &client);
    const int width = client.right - client.left;
    progress.status = CreateChild(L"STATIC", SS_NOPREFIX | SS_OWNERDRAW, Scaled(kMargin), Scaled(kStatusTop),
                                  width - Scaled(2 * kMargin), Scaled(kStatusHeight), 0);
    progress.bar = CreateChild(PROGRESS_CLASSW, 0, Scaled(kMargin), Scaled(kBarTop),
                               width - Scaled(2 * kMargin), Scaled(kBarHeight), 0);
    SendMessageW(progress.bar, PBM_SETRANGE32, 0, kUpdProgressRange);
    SetUpdProgressText(U16(I18nText(L"새 버전을 확인하는 중…")));
    if (required)
        return;
    progress.cancel =
        CreateChild(L"BUTTON", BS_PUSHBUTTON, width - Scaled(kButtonWidth) - Scaled(kMargin),
                    Scaled(kButtonTop), Scaled(kButtonWidth), Scaled(kButtonHeight), kUpdCancelId);
    const std::u16string cancelText = U16(I18nText(L"취소"));
    NoteUiWindowText(u"BUTTON", cancelText);
    SetWindowTextW(progress.cancel, Wide(cancelText));
}

} // namespace

void ShowUpdProgress(const std::u16string& title, bool required) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterProgressClass(instance);
    progress.noClose = required;
    progress.startTick = GetTickCount64();
    progress.window = CreateProgressFrame(instance, title);
    if (!progress.window)
        return;
    progress.font = MakeFont();
    CreateControls(required);
    progressWindow.store(progress.window);
    ShowWindow(progress.window, SW_SHOWNORMAL);
}

void SetUpdProgressText(const std::u16string& text) {
    if (!progress.status)
        return;
    SetWindowTextW(progress.status, Wide(text));
    InvalidateRect(progress.status, nullptr, TRUE);
}

void HideUpdCancel() {
    if (progress.cancel)
        ShowWindow(progress.cancel, SW_HIDE);
}

void SetUpdProgressInstalling() {
    progress.noClose = true;
    if (!progress.bar)
        return;
    SetWindowLongPtrW(progress.bar, GWL_STYLE, GetWindowLongPtrW(progress.bar, GWL_STYLE) | PBS_MARQUEE);
    SendMessageW(progress.bar, PBM_SETMARQUEE, TRUE, kMarqueeMs);
}

void CloseUpdProgress() {
    progressWindow.store(nullptr);
    if (progress.window)
        DestroyWindow(progress.window);
    if (progress.font)
        DeleteObject(progress.font);
    progress = ProgressState{};
}

HWND UpdProgressWindow() {
    return progressWindow.load();
}

void ShowUpdFallback(const std::u16string& title, const std::u16string& reason) {
    CloseUpdProgress();
    const std::wstring text = I18nFormat(
        L"%ls\n\n웹사이트에서 새 버전을 내려받아 설치해 주세요. 지금 웹사이트를 열까요?", Wide(reason));
    const int answer =
        ShowUiMessageBox(nullptr, U16(text.c_str()), title, MB_TOPMOST | MB_ICONINFORMATION | MB_YESNO);
    if (answer == IDYES)
        UpdSystem().shellExecute(nullptr, L"open", kWebsite, nullptr, nullptr, SW_SHOWNORMAL);
}

void WaitPlayerIdle(HWND mainWindow, HWND windowToHide, DWORD pauseMs) {
    static const UINT busyMessage = RegisterWindowMessageW(L"Jaskel.JkUpd.Busy");
    bool asked = false;
    while (IsWindow(mainWindow)) {
        DWORD_PTR answer = 0;
        if (!SendMessageTimeoutW(mainWindow, busyMessage, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, kBusyTimeoutMs,
                                 &answer) ||
            answer != 1)
            break;
        if (!asked) {
            UpdLog(upd_word::kWaitIdle);
            if (windowToHide)
                ShowWindow(windowToHide, SW_HIDE);
            asked = true;
        }
        PumpMessagesFor(pauseMs);
    }
    if (asked && windowToHide && IsWindow(windowToHide))
        ShowWindow(windowToHide, SW_SHOWNOACTIVATE);
}

void PumpMessagesFor(ULONGLONG milliseconds) {
    const ULONGLONG start = GetTickCount64();
    while (GetTickCount64() - start < milliseconds) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam)); // the thread's own loop must still see it
                return;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(kPumpSleepMs);
    }
}
