// VsftpdServer: a private vsftpd run by hand on a free loopback port with its default TLS demands (explicit TLS
// for log-on and data, every data connection resuming the control connection's TLS session), a throwaway
// certificate, and anonymous log-on that may list, fetch, upload, rename and delete in a root folder. It runs as
// the launching user (root in CI), so it needs no system user; killed when the object goes.
#pragma once

#include "ChildProcess.h"

#include <cstdint>
#include <memory>
#include <string>

class VsftpdServer {
public:
    // Keeps its configuration, certificate and log in `folder`; `root` is the anonymous user's root folder.
    VsftpdServer(const std::string& folder, const std::string& root);
    ~VsftpdServer();
    VsftpdServer(const VsftpdServer&) = delete;
    VsftpdServer& operator=(const VsftpdServer&) = delete;

    // Empty once the server listens; otherwise why it does not (for a skipped test).
    const std::string& Problem() const { return m_problem; }
    // "127.0.0.1:port".
    std::string Address() const { return "127.0.0.1:" + std::to_string(m_port); }

private:
    std::unique_ptr<ChildProcess> m_child;
    std::string m_logPath;
    std::string m_problem;
    uint16_t m_port = 0;
};
