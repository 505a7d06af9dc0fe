// TestServer: one of the Python test servers in this folder, run as a child process on a loopback socket that is
// bound and listening before the child starts (so clients may connect at once); killed when the object goes.
#pragma once

#include "ChildProcess.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TestServer {
public:
    enum class Family { Ipv4, Ipv6 };

    // Runs `script` (a file name in this folder) with `arguments` after "--socket-fd N", listening on `port`
    // (0: a free one). Started() tells whether the socket could be bound and the child started; its output goes
    // to `logPath`, which is printed when the server goes during a failed test.
    TestServer(const std::string& script, const std::vector<std::string>& arguments, const std::string& logPath,
               Family family = Family::Ipv4, uint16_t port = 0);
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    bool Started() const { return m_child != nullptr && m_port != 0; }
    // "127.0.0.1:port" or "[::1]:port".
    std::string Address() const;
    // Kills the child and waits for it.
    void Stop() { m_child.reset(); }
    // Stops the child where it is (SIGSTOP): it keeps its connections but answers nothing.
    void Freeze();
    bool Running();

private:
    std::unique_ptr<ChildProcess> m_child;
    std::string m_logPath;
    uint16_t m_port = 0;
    Family m_family;
};

// `count` bytes of seeded noise, for files whose every byte must reach a test server and come back.
std::string RandomBytes(size_t count, unsigned seed = 42);

// A loopback port on which nothing listens (it was free a moment ago).
uint16_t UnusedPort();

// Makes a self-signed certificate for 127.0.0.1 in `folder` ("cert.pem", "key.pem"); false when openssl failed.
bool MakeSelfSignedCertificate(const std::string& folder);
