#include "CurlSession.h"

#include <algorithm>
#include <cctype>
#include <sys/socket.h>
#include <unistd.h>

namespace {

size_t Discard(char*, size_t size, size_t count, void*) {
    return size * count;
}

// The longest wait for a socket between steps of a request. libcurl arms neither a socket nor a timer between an
// FTP server's passive-mode reply and the start of the data connection, so a longer wait would all be spent there.
constexpr int kPollMilliseconds = 5;

long WholeSeconds(std::chrono::milliseconds duration) {
    return std::max<long>(1, static_cast<long>((duration.count() + 999) / 1000));
}

} // namespace

bool CurlSession::Create() {
    if (!EnsureCurlReady())
        return false;
    if (!m_multi)
        m_multi.reset(curl_multi_init());
    if (m_multi && !m_handle)
        m_handle = NewCurlEasy();
    return m_handle != nullptr;
}

void CurlSession::Destroy() {
    if (StopRequested())
        for (const curl_socket_t socket : m_sockets)
            ::shutdown(socket, SHUT_RDWR); // the farewell then fails at once instead of waiting for the server
    m_handle.reset();
    m_multi.reset();
}

CURL* CurlSession::Begin(const std::string& url, Progress progress) {
    CURL* handle = m_handle.get();
    curl_easy_reset(handle);
    m_progressKind = progress;
    m_lastFraction = -1.0;
    m_lastReply.clear();
    m_lastVerb.clear();
    m_refusalReply.clear();
    m_refusedVerb.clear();
    m_errorBuffer[0] = '\0';

    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, m_errorBuffer);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(m_limits.connectTimeout.count()));
    curl_easy_setopt(handle, CURLOPT_SERVER_RESPONSE_TIMEOUT, WholeSeconds(m_limits.responseTimeout));
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, WholeSeconds(m_limits.stallTimeout));
    curl_easy_setopt(handle, CURLOPT_TCP_KEEPALIVE, 1L);
    // Nothing goes to standard output: requests that want the data set their own write function.
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &Discard);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &Discard);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &CurlSession::OnTransferInfo);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, this);
    // The debug hook sees the commands and replies; with it set nothing is printed.
    curl_easy_setopt(handle, CURLOPT_DEBUGFUNCTION, &CurlSession::OnDebug);
    curl_easy_setopt(handle, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(handle, CURLOPT_OPENSOCKETFUNCTION, &CurlSession::OnOpenSocket);
    curl_easy_setopt(handle, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(handle, CURLOPT_CLOSESOCKETFUNCTION, &CurlSession::OnCloseSocket);
    curl_easy_setopt(handle, CURLOPT_CLOSESOCKETDATA, this);
    curl_easy_setopt(handle, CURLOPT_VERBOSE, 1L);
    return handle;
}

CURLcode CurlSession::Perform() {
    if (StopRequested())
        return CURLE_ABORTED_BY_CALLBACK;
    if (curl_multi_add_handle(m_multi.get(), m_handle.get()) != CURLM_OK)
        return CURLE_FAILED_INIT;
    const CURLcode code = RunToEnd();
    curl_multi_remove_handle(m_multi.get(), m_handle.get());
    if (code == CURLE_OK && m_progress && m_progressKind != Progress::None && m_lastFraction < 1.0)
        m_progress(1.0);
    return code;
}

CURLcode CurlSession::RunToEnd() {
    CURLM* multi = m_multi.get();
    for (int running = 1; running != 0;) {
        if (curl_multi_perform(multi, &running) != CURLM_OK)
            return CURLE_FAILED_INIT;
        if (running != 0 && curl_multi_poll(multi, nullptr, 0, kPollMilliseconds, nullptr) != CURLM_OK)
            return CURLE_FAILED_INIT;
    }
    CURLcode code = CURLE_FAILED_INIT;
    int left = 0;
    while (const CURLMsg* message = curl_multi_info_read(multi, &left))
        if (message->msg == CURLMSG_DONE && message->easy_handle == m_handle.get())
            code = message->data.result;
    return code;
}

int CurlSession::OnTransferInfo(void* self, curl_off_t downloadTotal, curl_off_t downloaded, curl_off_t uploadTotal,
                                curl_off_t uploaded) {
    auto* session = static_cast<CurlSession*>(self);
    if (session->StopRequested())
        return 1;
    if (!session->m_progress || session->m_progressKind == Progress::None)
        return 0;
    const bool upload = session->m_progressKind == Progress::Upload;
    const curl_off_t total = upload ? uploadTotal : downloadTotal;
    const curl_off_t done = upload ? uploaded : downloaded;
    if (total <= 0)
        return 0;
    const double fraction = std::clamp(static_cast<double>(done) / static_cast<double>(total), 0.0, 1.0);
    if (fraction != session->m_lastFraction) {
        session->m_lastFraction = fraction;
        session->m_progress(fraction);
    }
    return 0;
}

curl_socket_t CurlSession::OnOpenSocket(void* self, curlsocktype, curl_sockaddr* address) {
    const curl_socket_t socket = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    if (socket != CURL_SOCKET_BAD)
        static_cast<CurlSession*>(self)->m_sockets.push_back(socket);
    return socket;
}

int CurlSession::OnCloseSocket(void* self, curl_socket_t socket) {
    std::vector<curl_socket_t>& sockets = static_cast<CurlSession*>(self)->m_sockets;
    sockets.erase(std::remove(sockets.begin(), sockets.end(), socket), sockets.end());
    return ::close(socket);
}

int CurlSession::OnDebug(CURL*, curl_infotype type, char* data, size_t size, void* self) {
    auto* session = static_cast<CurlSession*>(self);
    std::string_view text(data, size);
    if (type == CURLINFO_HEADER_IN) {
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.remove_suffix(1);
        if (text.empty())
            return 0;
        session->m_lastReply.assign(text.substr(0, 400));
        if (ReplyCode(session->m_lastReply) >= 400) {
            session->m_refusalReply = session->m_lastReply;
            session->m_refusedVerb = session->m_lastVerb;
        }
    } else if (type == CURLINFO_HEADER_OUT) {
        // Only the verb is kept: arguments may be passwords (PASS, AUTH and its continuation lines).
        const size_t end = std::min(text.find_first_of(" \r\n"), text.size());
        const std::string_view verb = text.substr(0, end);
        const bool isVerb = verb.size() >= 3 && verb.size() <= 4 && std::all_of(verb.begin(), verb.end(), [](char c) {
                                return std::isalpha(static_cast<unsigned char>(c));
                            });
        session->m_lastVerb.clear();
        if (isVerb)
            for (const char c : verb)
                session->m_lastVerb += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return 0;
}

long CurlSession::ReplyCode(const std::string& reply) {
    if (reply.size() < 3 || !std::all_of(reply.begin(), reply.begin() + 3, [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    return (reply[0] - '0') * 100 + (reply[1] - '0') * 10 + (reply[2] - '0');
}

std::string CurlSession::Describe(CURLcode code) const {
    std::string text = m_errorBuffer[0] != '\0' ? std::string(m_errorBuffer) : std::string(curl_easy_strerror(code));
    while (!text.empty() && (text.back() == '\n' || text.back() == '.'))
        text.pop_back();
    if (!m_refusalReply.empty())
        text += "; the server replied \"" + m_refusalReply + "\"";
    else if (!m_lastReply.empty())
        text += "; the server's last reply: \"" + m_lastReply + "\"";
    return text;
}
