#include "TestServer.h"

#include "platform/FileOps.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <iostream>
#include <netinet/in.h>
#include <random>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr const char* kPython = "/usr/bin/python3"; // the Debian interpreter, which has the server modules

// A listening socket on a free loopback port, inheritable by children; -1 when that failed.
int ListenOnLoopback(TestServer::Family family, uint16_t& port) {
    const bool v6 = family == TestServer::Family::Ipv6;
    const int descriptor = ::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM, 0);
    if (descriptor < 0)
        return -1;
    const int reuse = 1;
    ::setsockopt(descriptor, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in6 in6{};
    in6.sin6_family = AF_INET6;
    in6.sin6_addr = in6addr_loopback;
    in6.sin6_port = htons(port);
    sockaddr_in in4{};
    in4.sin_family = AF_INET;
    in4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    in4.sin_port = htons(port);
    auto* address = v6 ? reinterpret_cast<sockaddr*>(&in6) : reinterpret_cast<sockaddr*>(&in4);
    socklen_t length = v6 ? sizeof in6 : sizeof in4;
    if (::bind(descriptor, address, length) != 0 || ::listen(descriptor, 16) != 0 ||
        ::getsockname(descriptor, address, &length) != 0) {
        ::close(descriptor);
        return -1;
    }
    port = ntohs(v6 ? in6.sin6_port : in4.sin_port);
    return descriptor;
}

} // namespace

TestServer::TestServer(const std::string& script, const std::vector<std::string>& arguments, const std::string& logPath,
                       Family family, uint16_t port)
    : m_logPath(logPath), m_family(family) {
    const int descriptor = ListenOnLoopback(family, port);
    if (descriptor < 0)
        return;
    ChildProcess::Options options;
    options.arguments = {kPython, JoinPath(NET_TEST_SCRIPTS, script), "--socket-fd", std::to_string(descriptor)};
    options.arguments.insert(options.arguments.end(), arguments.begin(), arguments.end());
    options.outputFile = logPath;
    m_child = std::make_unique<ChildProcess>(kPython, std::move(options));
    ::close(descriptor); // the child holds the socket now: when it ends, the port is closed
    if (m_child->Started())
        m_port = port;
}

TestServer::~TestServer() {
    Stop();
    if (::testing::Test::HasFailure())
        std::cout << ReadFileBytes(m_logPath, 20000).value_or("<no log>") << "\n";
}

std::string TestServer::Address() const {
    const std::string port = std::to_string(m_port);
    return m_family == Family::Ipv6 ? "[::1]:" + port : "127.0.0.1:" + port;
}

void TestServer::Freeze() {
    if (m_child)
        m_child->Kill(SIGSTOP);
}

bool TestServer::Running() {
    return m_child && !m_child->HasEnded();
}

std::string RandomBytes(size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(count, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(generator() & 0xFF);
    return bytes;
}

uint16_t UnusedPort() {
    uint16_t port = 0;
    const int descriptor = ListenOnLoopback(TestServer::Family::Ipv4, port);
    if (descriptor >= 0)
        ::close(descriptor);
    return port;
}

bool MakeSelfSignedCertificate(const std::string& folder) {
    const std::string openssl = FindProgram("openssl");
    if (openssl.empty())
        return false;
    ChildProcess::Options options;
    options.arguments = {openssl,    "req",
                         "-x509",    "-newkey",
                         "rsa:2048", "-nodes",
                         "-subj",    "/CN=127.0.0.1",
                         "-addext",  "subjectAltName=IP:127.0.0.1",
                         "-keyout",  JoinPath(folder, "key.pem"),
                         "-out",     JoinPath(folder, "cert.pem"),
                         "-days",    "1"};
    options.outputFile = JoinPath(folder, "openssl.log");
    ChildProcess child(openssl, std::move(options));
    return child.Wait(std::chrono::seconds(30)) == 0 && PathExists(JoinPath(folder, "cert.pem"));
}
