// CurlSession: one libcurl easy handle used request after request through a multi handle of its own that keeps
// the connection to a server between steps (and between sessions' requests until Destroy), with what every request
// shares: time-outs, the stop and progress hooks, and a record of the server's last reply and the verb of the last
// command, from which failures are told apart and described. Used by one thread at a time; the hooks run on that
// thread, inside Perform.
#pragma once

#include "CurlHandles.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

struct CurlLimits {
    std::chrono::milliseconds connectTimeout{30000};  // to set up the connection (and TLS)
    std::chrono::milliseconds responseTimeout{60000}; // for each reply of the server (whole seconds, at least 1)
    std::chrono::milliseconds stallTimeout{60000};    // a transfer below 1 byte/s for this long fails
};

class CurlSession {
public:
    enum class Progress { None, Upload, Download };

    CurlSession() = default;
    ~CurlSession() { Destroy(); }
    CurlSession(const CurlSession&) = delete;
    CurlSession& operator=(const CurlSession&) = delete;

    // Makes the handle; false when libcurl could not be set up.
    bool Create();
    bool IsCreated() const { return m_handle != nullptr; }
    // Closes every connection and frees the handle. Connections still open are ended politely (QUIT, waiting up
    // to the response time-out for the answer) unless the stop hook asks to stop: then they are cut at once.
    void Destroy();

    void SetLimits(const CurlLimits& limits) { m_limits = limits; }
    void SetStopHook(std::function<bool()> shouldStop) { m_shouldStop = std::move(shouldStop); }
    void SetProgressHook(std::function<void(double)> progress) { m_progress = std::move(progress); }

    // Clears the options of the previous request (connections stay) and sets the shared ones and `url`.
    // Returns the handle for the request's own options.
    CURL* Begin(const std::string& url, Progress progress = Progress::None);
    // Runs the request; the stop hook is asked first and then at least once a second.
    CURLcode Perform();

    // True when the stop hook asks to stop (asked afresh).
    bool StopRequested() const { return m_shouldStop && m_shouldStop(); }
    // The server's last refusal in the last request (a reply of code 400 or above; "" when there was none), its
    // code, and the upper-case verb of the command it answered ("RCPT", "RNFR" ...).
    const std::string& RefusalReply() const { return m_refusalReply; }
    long RefusalCode() const { return ReplyCode(m_refusalReply); }
    const std::string& RefusedVerb() const { return m_refusedVerb; }
    // Something the server said during the last request.
    bool HeardServer() const { return !m_lastReply.empty(); }
    // A sentence for a failure of the last request: libcurl's own description and the server's refusal (or, when
    // it refused nothing, its last reply).
    std::string Describe(CURLcode code) const;

private:
    static int OnTransferInfo(void* self, curl_off_t downloadTotal, curl_off_t downloaded, curl_off_t uploadTotal,
                              curl_off_t uploaded);
    // Keep m_sockets: the sockets of this session's connections, which a stopped Destroy cuts.
    static curl_socket_t OnOpenSocket(void* self, curlsocktype purpose, curl_sockaddr* address);
    static int OnCloseSocket(void* self, curl_socket_t socket);
    static int OnDebug(CURL* handle, curl_infotype type, char* data, size_t size, void* self);
    static long ReplyCode(const std::string& reply);

    // Runs the easy handle, already added to the multi handle, to its end.
    CURLcode RunToEnd();

    // The multi handle holds the connection cache, so it goes after the easy handle and ends the connections.
    std::vector<curl_socket_t> m_sockets;
    CurlMultiPtr m_multi;
    CurlEasyPtr m_handle;
    CurlLimits m_limits;
    std::function<bool()> m_shouldStop;
    std::function<void(double)> m_progress;
    Progress m_progressKind = Progress::None;
    double m_lastFraction = -1.0;
    std::string m_lastReply;
    std::string m_lastVerb;
    std::string m_refusalReply;
    std::string m_refusedVerb;
    char m_errorBuffer[CURL_ERROR_SIZE] = {};
};
