#pragma once
// The updater's only contact with the network: HTTPS GET requests to the update server whose final
// location, after redirects, must still be that server.
#include <windows.h>
#include <winhttp.h>

#include <cstdint>
#include <optional>
#include <string>

// The three handles of one request, and where it has got to by the redirects WinHTTP reported.
struct UpdHttpHandles {
    HINTERNET rootHandle = nullptr;
    HINTERNET connectHandle = nullptr;
    HINTERNET requestHandle = nullptr;
    std::u16string followedUrl;

    UpdHttpHandles() = default;
    ~UpdHttpHandles() { Close(); }
    UpdHttpHandles(const UpdHttpHandles&) = delete;
    UpdHttpHandles& operator=(const UpdHttpHandles&) = delete;
    // Request, then connection, then session.
    void Close();
};

// Opens and sends one GET request to the compiled update host and reads the response headers;
// true when the body may be read. contentLength is the Content-Length header's text, if any.
bool OpenUpdRequest(UpdHttpHandles& handles, const std::string& path, DWORD receiveTimeoutMs,
                    std::optional<std::string>& contentLength);

// The manifest bytes (at most 65,536, not empty), or false.
bool FetchUpdManifest(std::string& out);
