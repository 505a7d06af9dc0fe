#include "platform/FileTransfer.h"

#include "internal/net/CurlSession.h"
#include "internal/net/FtpListing.h"
#include "internal/net/UrlParts.h"
#include "platform/FileOps.h"
#include "platform/LFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t kMaxListingBytes = 8u << 20;

struct Credentials {
    const std::string& user;
    const std::string& password;
};

CURL* BeginFtpRequest(CurlSession& session, const FileTransferOptions& options, const Credentials& credentials,
                      const std::string& url, CurlSession::Progress progress = CurlSession::Progress::None) {
    CURL* handle = session.Begin(url, progress);
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(handle, CURLOPT_PATH_AS_IS, 1L);
    if (!credentials.user.empty()) {
        curl_easy_setopt(handle, CURLOPT_USERNAME, credentials.user.c_str());
        curl_easy_setopt(handle, CURLOPT_PASSWORD, credentials.password.c_str());
    }
    if (options.security == FtpSecurity::ExplicitTls) {
        curl_easy_setopt(handle, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
        curl_easy_setopt(handle, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
        // Servers that require each data connection to resume the control connection's TLS session (vsftpd's
        // default) refuse the data connections libcurl opens over TLS 1.3, whose session tickets are not reused
        // reliably; over TLS 1.2 libcurl resumes the cached session every time.
        curl_easy_setopt(handle, CURLOPT_SSLVERSION,
                         static_cast<long>(CURL_SSLVERSION_TLSv1_2) | static_cast<long>(CURL_SSLVERSION_MAX_TLSv1_2));
        curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, options.verifyCertificate ? 1L : 0L);
        curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, options.verifyCertificate ? 2L : 0L);
        if (!options.certificateAuthorities.empty())
            curl_easy_setopt(handle, CURLOPT_CAINFO, options.certificateAuthorities.c_str());
    }
    return handle;
}

size_t ReadFromFile(char* buffer, size_t size, size_t count, void* file) {
    const int64_t got = static_cast<LFile*>(file)->Read(buffer, size * count);
    return got < 0 ? CURL_READFUNC_ABORT : static_cast<size_t>(got);
}

size_t WriteToFile(char* data, size_t size, size_t count, void* file) {
    return static_cast<LFile*>(file)->Write(data, size * count) ? size * count : 0;
}

size_t AppendToText(char* data, size_t size, size_t count, void* text) {
    auto* listing = static_cast<std::string*>(text);
    if (listing->size() + size * count > kMaxListingBytes)
        return 0;
    listing->append(data, size * count);
    return size * count;
}

// Path steps after applying `directory` to `steps`: '/' at the front starts at the root, "." and empty steps stay,
// ".." goes up one step (above the log-on directory it is kept and left to the server).
void ApplyDirectory(std::string_view directory, std::vector<std::string>& steps, bool& absolute) {
    if (!directory.empty() && directory.front() == '/') {
        steps.clear();
        absolute = true;
    }
    while (!directory.empty()) {
        const size_t slash = directory.find('/');
        const std::string_view step = directory.substr(0, slash);
        directory = slash == std::string_view::npos ? std::string_view() : directory.substr(slash + 1);
        if (step.empty() || step == ".")
            continue;
        if (step == ".." && !steps.empty() && steps.back() != "..")
            steps.pop_back();
        else if (step != ".." || !absolute)
            steps.emplace_back(step);
    }
}

} // namespace

FileTransfer::FileTransfer(FileTransferOptions options) : m_options(std::move(options)) {}

FileTransfer::~FileTransfer() {
    Close();
}

std::string FileTransfer::TemporaryNameFor(std::string_view remoteName) {
    return std::string(remoteName) + ".part";
}

FtpResult FileTransfer::Open() {
    if (m_session)
        return FtpResult::Done;
    auto session = std::make_unique<CurlSession>();
    if (!session->Create())
        return Fail(FtpResult::CouldNotConnect, "the network library could not be set up");
    session->SetLimits({m_options.connectTimeout, m_options.responseTimeout, m_options.stallTimeout});
    session->SetStopHook(m_options.shouldStop);
    session->SetProgressHook(m_options.progress);
    m_session = std::move(session);
    m_lastError.clear();
    return FtpResult::Done;
}

void FileTransfer::Close() {
    m_connected = false;
    m_directory.clear();
    m_absolute = false;
    m_session.reset(); // ends the connection (see CurlSession::Destroy)
}

FtpResult FileTransfer::Fail(FtpResult result, std::string text) {
    m_lastError = std::move(text);
    return result;
}

FtpResult FileTransfer::Finish(int curlCode, Phase phase) {
    const auto code = static_cast<CURLcode>(curlCode);
    FtpResult result = FtpResult::TransferFailed;
    switch (code) {
    case CURLE_OK:
        m_lastError.clear();
        return FtpResult::Done;
    case CURLE_ABORTED_BY_CALLBACK:
        return Fail(FtpResult::Stopped, "stopped on request");
    case CURLE_LOGIN_DENIED:
        result = FtpResult::LogOnRefused;
        break;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_CERTPROBLEM:
        result = FtpResult::CouldNotConnect;
        break;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
        result = FtpResult::UntrustedCertificate;
        break;
    case CURLE_REMOTE_ACCESS_DENIED: // a CWD the server refused
        result = FtpResult::NoSuchDirectory;
        break;
    case CURLE_REMOTE_FILE_NOT_FOUND:
        result = FtpResult::NoSuchFile;
        break;
    case CURLE_QUOTE_ERROR: {
        const std::string& verb = m_session->RefusedVerb();
        result = m_session->RefusalCode() == 550 && (verb == "RNFR" || verb == "DELE") ? FtpResult::NoSuchFile
                                                                                       : FtpResult::Refused;
        break;
    }
    case CURLE_UPLOAD_FAILED:
        result = FtpResult::Refused;
        break;
    default:
        // A server that never answered counts as unreachable; one that answered and then failed, as a failed step.
        if (phase == Phase::LogOn || !m_session->HeardServer())
            result = FtpResult::CouldNotConnect;
        break;
    }
    return Fail(result, m_session->Describe(code));
}

std::string FileTransfer::DirectoryUrl(const std::vector<std::string>& steps, bool absolute) const {
    std::string url = m_serverUrl + "/";
    if (absolute)
        url += "%2F/"; // the first step "/" makes the path start at the root
    for (const std::string& step : steps)
        url += PercentEncode(step) + "/";
    return url;
}

std::string FileTransfer::FileUrl(std::string_view name) const {
    return DirectoryUrl(m_directory, m_absolute) + PercentEncode(name);
}

FtpResult FileTransfer::Connect(std::string_view server, std::string_view user, std::string_view password) {
    if (!m_session)
        return Fail(FtpResult::NotConnected, "the session is not open");
    if (m_connected) {
        Close();
        if (Open() != FtpResult::Done)
            return FtpResult::CouldNotConnect;
    }
    m_directory.clear();
    m_absolute = false;
    const auto address = ParseServerAddress(server, kDefaultPort, {"ftp"});
    if (!address)
        return Fail(FtpResult::CouldNotConnect, "\"" + std::string(server) + "\" is not a server address");
    if (!IsSingleLine(user) || !IsSingleLine(password))
        return Fail(FtpResult::LogOnRefused, "the user name or password holds a line break");
    m_serverUrl = "ftp://" + address->UrlAuthority();
    m_user = user;
    m_password = password;

    const Credentials credentials{m_user, m_password};
    CURL* handle = BeginFtpRequest(*m_session, m_options, credentials, m_serverUrl + "/");
    curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    const FtpResult result = Finish(m_session->Perform(), Phase::LogOn);
    m_connected = result == FtpResult::Done;
    return result;
}

FtpResult FileTransfer::CheckDirectory(const std::string& directoryUrl) {
    CURL* handle = BeginFtpRequest(*m_session, m_options, {m_user, m_password}, directoryUrl);
    curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    return Finish(m_session->Perform(), Phase::Directory);
}

FtpResult FileTransfer::SetDirectory(std::string_view directory) {
    if (!m_connected)
        return Fail(FtpResult::NotConnected, "not logged on");
    if (!IsSingleLine(directory))
        return Fail(FtpResult::BadName, "the directory name holds a line break");
    std::vector<std::string> steps = m_directory;
    bool absolute = m_absolute;
    ApplyDirectory(directory, steps, absolute);
    const FtpResult result = CheckDirectory(DirectoryUrl(steps, absolute));
    if (result == FtpResult::Done) {
        m_directory = std::move(steps);
        m_absolute = absolute;
    }
    return result;
}

FtpResult FileTransfer::RunCommands(const std::vector<std::string>& commands) {
    CurlStringList list(commands);
    CURL* handle = BeginFtpRequest(*m_session, m_options, {m_user, m_password}, DirectoryUrl(m_directory, m_absolute));
    curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(handle, CURLOPT_POSTQUOTE, list.Get());
    return Finish(m_session->Perform(), Phase::Command);
}

FtpResult FileTransfer::RemoteSize(std::string_view name, int64_t& size) {
    size = -1;
    CURL* handle = BeginFtpRequest(*m_session, m_options, {m_user, m_password}, FileUrl(name));
    curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    FtpResult result = Finish(m_session->Perform(), Phase::Transfer);
    curl_off_t length = -1;
    if (result == FtpResult::Done && curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == 0 &&
        length >= 0) {
        size = length;
        return result;
    }
    if (result != FtpResult::Done)
        return result;

    // No SIZE answer: look for the file in the directory listing.
    std::string listing;
    result = FetchListing(false, listing);
    if (result == FtpResult::Done)
        size = FindSizeInListing(listing, name).value_or(-1);
    return result;
}

FtpResult FileTransfer::FetchListing(bool namesOnly, std::string& listing) {
    CURL* handle = BeginFtpRequest(*m_session, m_options, {m_user, m_password}, DirectoryUrl(m_directory, m_absolute));
    curl_easy_setopt(handle, CURLOPT_DIRLISTONLY, namesOnly ? 1L : 0L);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &AppendToText);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &listing);
    return Finish(m_session->Perform(), Phase::Transfer);
}

FtpResult FileTransfer::PutFile(const std::string& localPath, std::string_view remoteName) {
    if (!m_connected)
        return Fail(FtpResult::NotConnected, "not logged on");
    if (!IsPlainRemoteName(remoteName))
        return Fail(FtpResult::BadName, "\"" + std::string(remoteName) + "\" cannot be a remote file name");
    LReadFile file(localPath);
    const int64_t localSize = file.IsOpen() ? file.Size() : -1;
    if (localSize < 0)
        return Fail(FtpResult::TransferFailed, "cannot read " + localPath + ": " + std::strerror(errno));

    const std::string temporary = TemporaryNameFor(remoteName);
    CURL* handle =
        BeginFtpRequest(*m_session, m_options, {m_user, m_password}, FileUrl(temporary), CurlSession::Progress::Upload);
    curl_easy_setopt(handle, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(handle, CURLOPT_READFUNCTION, &ReadFromFile);
    curl_easy_setopt(handle, CURLOPT_READDATA, static_cast<LFile*>(&file));
    curl_easy_setopt(handle, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(localSize));
    FtpResult result = Finish(m_session->Perform(), Phase::Transfer);
    file.Close();
    if (result != FtpResult::Done)
        return result;

    int64_t remoteSize = -1;
    result = RemoteSize(temporary, remoteSize);
    if (result == FtpResult::NoSuchFile)
        return Fail(FtpResult::TransferFailed, "the uploaded file vanished from the server");
    if (result != FtpResult::Done)
        return result;
    // A server that reports the size neither by SIZE nor in its listing is trusted on its transfer confirmation.
    if (remoteSize >= 0 && remoteSize != localSize) {
        const std::string text = "the server holds " + std::to_string(remoteSize) + " bytes of " +
                                 std::to_string(localSize) + " after the upload";
        (void)RunCommands({"DELE " + temporary});
        return Fail(FtpResult::TransferFailed, text);
    }

    const std::string finalName(remoteName);
    result = RunCommands({"RNFR " + temporary, "RNTO " + finalName});
    if ((result == FtpResult::Refused || result == FtpResult::NoSuchFile) && m_session->RefusedVerb() == "RNTO")
        // Servers that will not rename over an existing file: remove it first (a resend replaces it).
        result = RunCommands({"DELE " + finalName, "RNFR " + temporary, "RNTO " + finalName});
    return result;
}

FtpResult FileTransfer::GetFile(std::string_view remoteName, const std::string& localPath) {
    if (!m_connected)
        return Fail(FtpResult::NotConnected, "not logged on");
    if (!IsPlainRemoteName(remoteName))
        return Fail(FtpResult::BadName, "\"" + std::string(remoteName) + "\" cannot be a remote file name");
    std::string temporary = localPath + ".XXXXXX";
    LFile file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!file.IsOpen())
        return Fail(FtpResult::TransferFailed, "cannot write beside " + localPath + ": " + std::strerror(errno));

    CURL* handle = BeginFtpRequest(*m_session, m_options, {m_user, m_password}, FileUrl(remoteName),
                                   CurlSession::Progress::Download);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &WriteToFile);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &file);
    FtpResult result = Finish(m_session->Perform(), Phase::Transfer);
    if (result == FtpResult::Done &&
        (::fchmod(file.Descriptor(), ModeUnderUmask(0666)) != 0 || ::rename(temporary.c_str(), localPath.c_str()) != 0))
        result = Fail(FtpResult::TransferFailed, "cannot store " + localPath + ": " + std::strerror(errno));
    file.Close();
    if (result != FtpResult::Done)
        ::unlink(temporary.c_str());
    return result;
}

FtpResult FileTransfer::RenameRemote(std::string_view from, std::string_view to) {
    if (!m_connected)
        return Fail(FtpResult::NotConnected, "not logged on");
    if (!IsPlainRemoteName(from) || !IsPlainRemoteName(to))
        return Fail(FtpResult::BadName, "a remote file name is empty or holds '/' or a line break");
    return RunCommands({"RNFR " + std::string(from), "RNTO " + std::string(to)});
}

FtpResult FileTransfer::DeleteFile(std::string_view remoteName) {
    if (!m_connected)
        return Fail(FtpResult::NotConnected, "not logged on");
    if (!IsPlainRemoteName(remoteName))
        return Fail(FtpResult::BadName, "\"" + std::string(remoteName) + "\" cannot be a remote file name");
    return RunCommands({"DELE " + std::string(remoteName)});
}

FtpResult FileTransfer::ListNames(std::vector<std::string>& names) {
    names.clear();
    if (!m_connected)
        return Fail(FtpResult::NotConnected, "not logged on");
    std::string listing;
    const FtpResult result = FetchListing(true, listing);
    if (result != FtpResult::Done)
        return result;
    std::string_view rest = listing;
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        // Some servers name each entry with the directory in front.
        if (const size_t slash = line.rfind('/'); slash != std::string_view::npos)
            line.remove_prefix(slash + 1);
        if (!line.empty() && line != "." && line != "..")
            names.emplace_back(line);
    }
    return result;
}
