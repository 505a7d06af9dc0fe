// The servers tests start on loopback: the Python test servers (TestServer) and a private vsftpd (VsftpdServer).
#include "TestServer.h"
#include "VsftpdServer.h"
#include "platform/FileOps.h"

#include <arpa/inet.h>
#include <csignal>
#include <gtest/gtest.h>
#include <iostream>
#include <netinet/in.h>
#include <pwd.h>
#include <random>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

constexpr const char* kPython = "/usr/bin/python3"; // the Debian interpreter, which has the server modules

// A socket on the loopback address of `family`: listening on `port` (0: a free one, which `port` then holds) and
// inheritable by children, or with `connect` connected to `port`; -1 when that failed.
int LoopbackSocket(TestServer::Family family, uint16_t& port, bool connect = false) {
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
    if (connect ? ::connect(descriptor, address, length) != 0
                : ::bind(descriptor, address, length) != 0 || ::listen(descriptor, 16) != 0 ||
                      ::getsockname(descriptor, address, &length) != 0) {
        ::close(descriptor);
        return -1;
    }
    port = ntohs(v6 ? in6.sin6_port : in4.sin_port);
    return descriptor;
}

// Whether something accepts connections on the IPv4 loopback port.
bool Listens(uint16_t port) {
    const int descriptor = LoopbackSocket(TestServer::Family::Ipv4, port, true);
    if (descriptor >= 0)
        ::close(descriptor);
    return descriptor >= 0;
}

// A server's log, shown when it goes during a failed test.
void ShowLogOnFailure(const std::string& logPath) {
    if (::testing::Test::HasFailure())
        std::cout << ReadFileBytes(logPath, 20000).value_or("<no log at " + logPath + ">") << "\n";
}

} // namespace

TestServer::TestServer(const std::string& script, const std::vector<std::string>& arguments, const std::string& logPath,
                       Family family, uint16_t port)
    : m_logPath(logPath), m_family(family) {
    const int descriptor = LoopbackSocket(family, port);
    if (descriptor < 0)
        return;
    std::vector<std::string> command{kPython, JoinPath(NET_TEST_SCRIPTS, script), "--socket-fd",
                                     std::to_string(descriptor)};
    command.insert(command.end(), arguments.begin(), arguments.end());
    m_child = std::make_unique<ChildProcess>(kPython, ChildProcess::Options{std::move(command), {}, {}, logPath});
    ::close(descriptor); // the child holds the socket now: when it ends, the port is closed
    if (m_child->Started())
        m_port = port;
}

TestServer::~TestServer() {
    Stop();
    ShowLogOnFailure(m_logPath);
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
    const int descriptor = LoopbackSocket(TestServer::Family::Ipv4, port);
    if (descriptor >= 0)
        ::close(descriptor);
    return port;
}

bool MakeSelfSignedCertificate(const std::string& folder) {
    const std::string openssl = FindProgram("openssl");
    return !openssl.empty() &&
           RunProgram({openssl, "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1", "-addext",
                       "subjectAltName=IP:127.0.0.1", "-keyout", JoinPath(folder, "key.pem"), "-out",
                       JoinPath(folder, "cert.pem"), "-days", "1"},
                      JoinPath(folder, "openssl.log"), 30s) == 0 &&
           PathExists(JoinPath(folder, "cert.pem"));
}

VsftpdServer::VsftpdServer(const std::string& folder, const std::string& root)
    : m_logPath(JoinPath(folder, "vsftpd.log")) {
    const std::string program = PathExists("/usr/sbin/vsftpd") ? "/usr/sbin/vsftpd" : FindProgram("vsftpd");
    const passwd* account = ::getpwuid(::geteuid());
    const std::string user = account != nullptr ? account->pw_name : "";
    const std::string empty = JoinPath(folder, "vsftpd-empty");
    m_port = UnusedPort();
    if (program.empty()) {
        m_problem = "vsftpd is not installed (tools/setup installs it)";
        return;
    }
    // Everything not named keeps vsftpd's default, among them require_ssl_reuse=YES and the TLS versions.
    const std::string config =
        "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port=" + std::to_string(m_port) +
        "\nbackground=NO\nrun_as_launching_user=YES\nseccomp_sandbox=NO\n"
        "nopriv_user=" +
        user + "\nftp_username=" + user + "\nsecure_chroot_dir=" + empty +
        "\nanonymous_enable=YES\nno_anon_password=YES\nlocal_enable=NO\nanon_root=" + root +
        "\nwrite_enable=YES\nanon_upload_enable=YES\nanon_other_write_enable=YES\n"
        "anon_umask=022\nssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_logins_ssl=YES\n"
        "force_anon_data_ssl=YES\nrsa_cert_file=" +
        JoinPath(folder, "cert.pem") + "\nrsa_private_key_file=" + JoinPath(folder, "key.pem") +
        "\nvsftpd_log_file=" + m_logPath + "\nxferlog_enable=YES\nlog_ftp_protocol=YES\n";
    const std::string configPath = JoinPath(folder, "vsftpd.conf"), outputPath = JoinPath(folder, "vsftpd.out");
    if (user.empty() || m_port == 0 || !MakeFolders(empty) || !MakeSelfSignedCertificate(folder) ||
        !WriteFileAtomically(configPath, config)) {
        m_problem = "no user name, free port, folder, certificate or configuration file for vsftpd";
        return;
    }
    m_child = std::make_unique<ChildProcess>(program, ChildProcess::Options{{program, configPath}, {}, {}, outputPath});
    // Ready once it accepts a connection; a server that ended (as a user it cannot run as) says why in its output.
    if (!PollUntil([this] { return m_child->HasEnded() || Listens(m_port); }, 10s) || m_child->HasEnded())
        m_problem = "vsftpd did not start: " + ReadFileBytes(outputPath, 2000).value_or("");
}

VsftpdServer::~VsftpdServer() {
    m_child.reset();
    ShowLogOnFailure(m_logPath);
}
