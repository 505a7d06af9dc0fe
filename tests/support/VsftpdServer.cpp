#include "VsftpdServer.h"

#include "TestServer.h"
#include "platform/FileOps.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <iostream>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// Whether something accepts connections on the loopback port.
bool Listens(uint16_t port) {
    const int descriptor = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    const bool connected =
        descriptor >= 0 && ::connect(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (descriptor >= 0)
        ::close(descriptor);
    return connected;
}

std::string UserName() {
    const passwd* entry = ::getpwuid(::geteuid());
    return entry != nullptr ? entry->pw_name : "";
}

} // namespace

VsftpdServer::VsftpdServer(const std::string& folder, const std::string& root)
    : m_logPath(JoinPath(folder, "vsftpd.log")) {
    const std::string program = PathExists("/usr/sbin/vsftpd") ? "/usr/sbin/vsftpd" : FindProgram("vsftpd");
    const std::string user = UserName();
    const std::string empty = JoinPath(folder, "vsftpd-empty");
    m_port = UnusedPort();
    if (program.empty()) {
        m_problem = "vsftpd is not installed (tools/setup installs it)";
        return;
    }
    if (user.empty() || m_port == 0 || !MakeFolders(empty) || !MakeSelfSignedCertificate(folder)) {
        m_problem = "no user name, free port, folder or certificate for vsftpd";
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
    const std::string configPath = JoinPath(folder, "vsftpd.conf");
    if (!WriteFileAtomically(configPath, config)) {
        m_problem = "cannot write " + configPath;
        return;
    }
    ChildProcess::Options options;
    options.arguments = {program, configPath};
    const std::string outputPath = JoinPath(folder, "vsftpd.out");
    options.outputFile = outputPath;
    m_child = std::make_unique<ChildProcess>(program, std::move(options));
    // Ready once it accepts a connection; a server that ended (as a user it cannot run as) says why in its output.
    for (int tries = 0; tries < 200 && m_child->Started() && !m_child->HasEnded(); ++tries) {
        if (Listens(m_port))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    m_problem = "vsftpd did not start: " + ReadFileBytes(outputPath, 2000).value_or("");
}

VsftpdServer::~VsftpdServer() {
    m_child.reset();
    if (::testing::Test::HasFailure())
        std::cout << ReadFileBytes(m_logPath, 20000).value_or("<no vsftpd log>") << "\n";
}
