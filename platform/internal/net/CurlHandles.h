// CurlHandles: move-only owners of the libcurl objects the network layers use, and the one-time library set-up.
#pragma once

#include <curl/curl.h>
#include <memory>
#include <string>
#include <vector>

struct CurlEasyFree {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct CurlMultiFree {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct CurlMimeFree {
    void operator()(curl_mime* mime) const { curl_mime_free(mime); }
};

using CurlEasyPtr = std::unique_ptr<CURL, CurlEasyFree>;
using CurlMultiPtr = std::unique_ptr<CURLM, CurlMultiFree>;
using CurlMimePtr = std::unique_ptr<curl_mime, CurlMimeFree>;

// A curl_slist built from strings; freed when the owner goes.
class CurlStringList {
public:
    CurlStringList() = default;
    explicit CurlStringList(const std::vector<std::string>& lines);
    ~CurlStringList();
    CurlStringList(CurlStringList&& other) noexcept;
    CurlStringList& operator=(CurlStringList&& other) noexcept;
    CurlStringList(const CurlStringList&) = delete;
    CurlStringList& operator=(const CurlStringList&) = delete;

    // False when memory ran out; the list then keeps what it had.
    [[nodiscard]] bool Append(const std::string& line);
    curl_slist* Get() const { return m_list; }

private:
    curl_slist* m_list = nullptr;
};

// Sets libcurl up once per process (thread-safe); false when that failed.
bool EnsureCurlReady();

// A new easy handle with what every use here needs (no signals, error text buffer left to the caller), or null.
CurlEasyPtr NewCurlEasy();
