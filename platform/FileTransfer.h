// FileTransfer: one FTP session (plain, or explicit TLS with AUTH TLS and a protected data channel) for one send:
// log on, change into a directory, then put, fetch, rename and delete files there. Results tell the caller which
// step failed. Used by one thread at a time (the send worker); its hooks run on that thread. libcurl stays inside.
//
//   FileTransfer ftp(options);
//   if (ftp.Open() != FtpResult::Done || ftp.Connect("ftp.example.com:2121", user, password) != FtpResult::Done) ...
//   if (ftp.SetDirectory("incoming") == FtpResult::Done) result = ftp.PutFile(packagePath, "dct00042-00017.dct");
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CurlSession;

enum class FtpResult {
    Done,
    CouldNotConnect,      // no network layer, server unreachable or silent, or no secure channel set up: retry later
    UntrustedCertificate, // the TLS server's certificate is not trusted (or not made out to the host)
    LogOnRefused,         // user name or password refused: fix the settings
    NoSuchDirectory,      // the directory is missing or may not be entered: fix the settings
    NoSuchFile,           // the server reports the remote file unavailable (missing, or not permitted)
    Refused,              // the server refused a command (store, rename, delete)
    TransferFailed,       // the transfer broke off or stalled, the sizes differ, or the local file could not be used
    Stopped,              // the stop hook asked to stop
    NotConnected,         // called before a successful Open and Connect
    BadName               // an empty name, "." or "..", or one holding '/', NUL, CR or LF
};

enum class FtpSecurity {
    Plain,      // everything in clear text
    ExplicitTls // AUTH TLS on the usual port; the log-on and every data connection are encrypted, or nothing is sent;
                // TLS 1.2, whose session every data connection resumes
};

struct FileTransferOptions {
    FtpSecurity security = FtpSecurity::Plain;
    // With ExplicitTls: a server whose certificate is not trusted (or not made out to the host) is refused.
    bool verifyCertificate = true;
    // A PEM file of certificates to trust; it takes the place of the system's bundle file (the system's certificate
    // folder stays in use). Empty: the system's certificates only.
    std::string certificateAuthorities;
    std::chrono::milliseconds connectTimeout{30000};  // to reach the server and set up TLS
    std::chrono::milliseconds responseTimeout{30000}; // for each reply of the server (whole seconds)
    std::chrono::milliseconds stallTimeout{60000};    // a transfer moving less than 1 byte/s for this long fails
    // Asked before each operation and at least once a second during it; true ends the operation with Stopped,
    // and makes Close cut the connection rather than wait for the server's farewell. Must outlive the session.
    std::function<bool()> shouldStop;
    // The fraction (0 to 1) of the running PutFile's upload or GetFile's download; reaches 1 when it completes.
    std::function<void(double)> progress;
};

class FileTransfer {
public:
    static constexpr int kDefaultPort = 21;

    explicit FileTransfer(FileTransferOptions options = {});
    ~FileTransfer(); // closes the session
    FileTransfer(const FileTransfer&) = delete;
    FileTransfer& operator=(const FileTransfer&) = delete;

    // Prepares the network layer; Done when it is (again) ready, CouldNotConnect when it cannot be set up.
    [[nodiscard]] FtpResult Open();

    // Logs on to `server` ("host", "host:port", "[IPv6 address]:port"; port 21 unless given; an "ftp://" in
    // front is ignored) and keeps the connection. An empty user logs on anonymously. Closes an earlier connection
    // first and starts in the log-on directory. Done only when the server answered and accepted the log-on.
    [[nodiscard]] FtpResult Connect(std::string_view server, std::string_view user, std::string_view password);

    // Changes into `directory` (relative to the current one; absolute when it starts with '/'; empty or "." stays)
    // after checking that it exists. On failure the current directory stays as it was.
    [[nodiscard]] FtpResult SetDirectory(std::string_view directory);

    // Uploads `localPath` as `remoteName` in the current directory. The bytes go to TemporaryNameFor(remoteName)
    // first and are renamed into place only after the server confirmed the transfer and holds exactly as many
    // bytes as the local file, so the final name never shows a part of a file; a repeated PutFile after a failure
    // overwrites the leftover temporary and replaces an existing file of the final name.
    [[nodiscard]] FtpResult PutFile(const std::string& localPath, std::string_view remoteName);

    // Downloads `remoteName` from the current directory into `localPath`. The bytes are written beside it and
    // renamed over it once complete; on failure an existing file at `localPath` is left as it was.
    [[nodiscard]] FtpResult GetFile(std::string_view remoteName, const std::string& localPath);

    // Renames a file of the current directory. Whether an existing file of the new name is replaced is the
    // server's choice (Unix servers replace it).
    [[nodiscard]] FtpResult RenameRemote(std::string_view from, std::string_view to);

    [[nodiscard]] FtpResult DeleteFile(std::string_view remoteName);

    // The names in the current directory (files and folders, without "." and ".."), as the server lists them.
    [[nodiscard]] FtpResult ListNames(std::vector<std::string>& names);

    // Ends the session and its connection; Open starts a new one. Safe to call more than once.
    void Close();

    // What went wrong in the last operation that failed, in words (for logs and tests; "" after success).
    const std::string& LastError() const { return m_lastError; }

    // The name PutFile uploads to before renaming: `remoteName` + ".part".
    static std::string TemporaryNameFor(std::string_view remoteName);

private:
    enum class Phase { LogOn, Directory, Transfer, Command };

    FtpResult Finish(int curlCode, Phase phase);
    FtpResult Fail(FtpResult result, std::string text);
    FtpResult CheckDirectory(const std::string& directoryUrl);
    FtpResult RunCommands(const std::vector<std::string>& commands);
    FtpResult RemoteSize(std::string_view name, int64_t& size);
    // The current directory's listing: names only (NLST) or in the server's long form (LIST).
    FtpResult FetchListing(bool namesOnly, std::string& listing);
    std::string DirectoryUrl(const std::vector<std::string>& steps, bool absolute) const;
    std::string FileUrl(std::string_view name) const;

    FileTransferOptions m_options;
    std::unique_ptr<CurlSession> m_session;
    bool m_connected = false;
    std::string m_serverUrl; // "ftp://host:port"
    std::string m_user;
    std::string m_password;
    std::vector<std::string> m_directory; // path steps from the log-on directory, or from the root when absolute
    bool m_absolute = false;
    std::string m_lastError;
};
