#include "CurlHandles.h"

#include <mutex>
#include <utility>

CurlStringList::CurlStringList(const std::vector<std::string>& lines) {
    for (const std::string& line : lines)
        if (!Append(line))
            break;
}

CurlStringList::~CurlStringList() {
    curl_slist_free_all(m_list);
}

CurlStringList::CurlStringList(CurlStringList&& other) noexcept : m_list(std::exchange(other.m_list, nullptr)) {}

CurlStringList& CurlStringList::operator=(CurlStringList&& other) noexcept {
    if (this != &other) {
        curl_slist_free_all(m_list);
        m_list = std::exchange(other.m_list, nullptr);
    }
    return *this;
}

bool CurlStringList::Append(const std::string& line) {
    curl_slist* longer = curl_slist_append(m_list, line.c_str());
    if (longer == nullptr)
        return false;
    m_list = longer;
    return true;
}

bool EnsureCurlReady() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    return ready;
}

CurlEasyPtr NewCurlEasy() {
    if (!EnsureCurlReady())
        return nullptr;
    CurlEasyPtr handle(curl_easy_init());
    if (handle)
        curl_easy_setopt(handle.get(), CURLOPT_NOSIGNAL, 1L);
    return handle;
}
