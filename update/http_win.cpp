#include "update/http_win.h"

#include <vector>

#include "base/no_throw.h"
#include "base/utf.h"
#include "base/wide_win.h"
#include "update/endpoint.h"
#include "update/manifest.h"
#include "update/redirect_target.h"
#include "update/transfer_rules.h"
#include "update/upd_log.h"
#include "update/upd_log_win.h"

namespace {

constexpr INTERNET_PORT kHttpsPort = 443;
constexpr DWORD kHostBufferChars = 256;
constexpr DWORD kContentLengthBufferBytes = 64;
constexpr DWORD kHttpOk = 200;

std::wstring WideText(std::string_view utf8) {
    const std::u16string text = Utf8ToUtf16(utf8);
    return std::wstring(text.begin(), text.end());
}

std::u16string HostU16() {
    return Utf8ToUtf16(CompiledUpdEndpoint().host);
}

// Wine lacks WINHTTP_OPTION_URL, so the request is followed through every redirect WinHTTP
// reports; Wine reports the Location header as it stands, which may be relative.
void CALLBACK NoteRedirect(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD length) {
    if (status != WINHTTP_CALLBACK_STATUS_REDIRECT || context == 0 || info == nullptr)
        return;
    CallNoThrow(0, [&] {
        auto* handles = reinterpret_cast<UpdHttpHandles*>(context);
        const auto* url = static_cast<const wchar_t*>(info);
        std::u16string target = length > 0 ? U16(url, length) : U16(url);
        while (!target.empty() && target.back() == u'\0')
            target.pop_back();
        handles->followedUrl = ResolveRedirectTarget(handles->followedUrl, target);
        return 0;
    });
}

bool WatchRedirects(UpdHttpHandles& handles) {
    DWORD_PTR context = reinterpret_cast<DWORD_PTR>(&handles);
    if (!WinHttpSetOption(handles.requestHandle, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context))
        return false;
    return WinHttpSetStatusCallback(handles.requestHandle, NoteRedirect, WINHTTP_CALLBACK_FLAG_REDIRECT, 0) !=
           WINHTTP_INVALID_STATUS_CALLBACK;
}

bool OpenSession(UpdHttpHandles& handles, DWORD receiveTimeoutMs) {
    handles.rootHandle = WinHttpOpen(Wide(std::u16string(kUpdUserAgent)), WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
                                     WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    if (!handles.rootHandle)
        return false;
    if (!WinHttpSetTimeouts(handles.rootHandle, kUpdResolveTimeoutMs, kUpdConnectTimeoutMs, kUpdSendTimeoutMs,
                            static_cast<int>(receiveTimeoutMs)))
        return false;
    DWORD policy = WINHTTP_OPTION_REDIRECT_POLICY_DISALLOW_HTTPS_TO_HTTP;
    return WinHttpSetOption(handles.rootHandle, WINHTTP_OPTION_REDIRECT_POLICY, &policy, sizeof policy);
}

bool SendGet(UpdHttpHandles& handles, const std::string& path) {
    handles.connectHandle = WinHttpConnect(handles.rootHandle, Wide(HostU16()), kHttpsPort, 0);
    if (!handles.connectHandle)
        return false;
    handles.followedUrl = u"https://" + HostU16() + Utf8ToUtf16(path);
    handles.requestHandle =
        WinHttpOpenRequest(handles.connectHandle, L"GET", WideText(path).c_str(), nullptr, WINHTTP_NO_REFERER,
                           WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE);
    if (!handles.requestHandle || !WatchRedirects(handles))
        return false;
    return WinHttpSendRequest(handles.requestHandle, L"Cache-Control: no-cache\r\n", static_cast<DWORD>(-1),
                              WINHTTP_NO_REQUEST_DATA, 0, 0, 0) &&
           WinHttpReceiveResponse(handles.requestHandle, nullptr);
}

bool StatusIsOk(HINTERNET request) {
    DWORD status = 0;
    DWORD size = sizeof status;
    return WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                               WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX) &&
           status == kHttpOk;
}

// Where the request ended up: WINHTTP_OPTION_URL where the system has it; where it does not (Wine
// answers ERROR_INVALID_PARAMETER), the request followed through its redirects.
std::optional<std::u16string> FinalUrl(const UpdHttpHandles& handles) {
    DWORD bytes = 0;
    WinHttpQueryOption(handles.requestHandle, WINHTTP_OPTION_URL, nullptr, &bytes);
    if (GetLastError() == ERROR_INSUFFICIENT_BUFFER && bytes > 0) {
        std::vector<wchar_t> url(bytes / sizeof(wchar_t) + 1, L'\0');
        if (WinHttpQueryOption(handles.requestHandle, WINHTTP_OPTION_URL, url.data(), &bytes))
            return U16(url.data());
        return std::nullopt;
    }
    if (GetLastError() != ERROR_INVALID_PARAMETER)
        return std::nullopt;
    return handles.followedUrl;
}

bool FinalHostAllowed(const std::u16string& url) {
    wchar_t host[kHostBufferChars] = {};
    URL_COMPONENTS parts = {};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = kHostBufferChars;
    if (!WinHttpCrackUrl(Wide(url), static_cast<DWORD>(url.size()), 0, &parts))
        return false;
    const std::string hostUtf8 = Utf16ToUtf8(U16(host, parts.dwHostNameLength));
    return UpdFinalHostAllowed(parts.nScheme == INTERNET_SCHEME_HTTPS, hostUtf8, CompiledUpdEndpoint().host);
}

std::optional<std::string> ContentLengthText(HINTERNET request) {
    wchar_t text[kContentLengthBufferBytes / sizeof(wchar_t)] = {};
    DWORD size = sizeof text;
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, text, &size,
                             WINHTTP_NO_HEADER_INDEX))
        return std::nullopt;
    return Utf16ToUtf8(U16(text, size / sizeof(wchar_t)));
}

} // namespace

void UpdHttpHandles::Close() {
    for (HINTERNET* handle : {&requestHandle, &connectHandle, &rootHandle}) {
        if (*handle)
            WinHttpCloseHandle(*handle);
        *handle = nullptr;
    }
}

bool OpenUpdRequest(UpdHttpHandles& handles, const std::string& path, DWORD receiveTimeoutMs,
                    std::optional<std::string>& contentLength) {
    contentLength.reset();
    if (!OpenSession(handles, receiveTimeoutMs) || !SendGet(handles, path) ||
        !StatusIsOk(handles.requestHandle))
        return false;
    const std::optional<std::u16string> url = FinalUrl(handles);
    if (!url || !FinalHostAllowed(*url)) {
        UpdLog(upd_word::kBadFinalHost);
        return false;
    }
    contentLength = ContentLengthText(handles.requestHandle);
    return true;
}

bool FetchUpdManifest(std::string& out) {
    out.clear();
    UpdHttpHandles handles;
    std::optional<std::string> contentLength;
    if (!OpenUpdRequest(handles, UpdManifestRequestPath(UpdUnixNow()), kUpdManifestReceiveTimeoutMs,
                        contentLength))
        return false;
    std::vector<char> block(kUpdBlockBytes);
    for (;;) {
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(handles.requestHandle, &available) || available == 0)
            break;
        DWORD got = 0;
        const DWORD wanted = available < block.size() ? available : static_cast<DWORD>(block.size());
        if (!WinHttpReadData(handles.requestHandle, block.data(), wanted, &got) || got == 0)
            break;
        out.append(block.data(), got);
        if (out.size() > kUpdManifestMaxBytes) {
            out.clear();
            return false;
        }
    }
    return !out.empty();
}
