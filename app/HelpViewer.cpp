#include "app/HelpViewer.h"

#include "app/ProgramLocation.h"
#include "app/Settings.h"
#include "platform/FileOps.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <sys/stat.h>
#include <utility>

namespace {

bool IsFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

} // namespace

HelpViewer::HelpViewer(std::vector<std::string> folders, UrlOpener opener)
    : m_folders(std::move(folders)), m_opener(std::move(opener)) {}

std::string HelpViewer::PagePath() const {
    for (const std::string& folder : m_folders) {
        if (folder.empty())
            continue;
        std::string path = JoinPath(folder, kPage);
        if (IsFile(path))
            return path;
    }
    return {};
}

QUrl HelpViewer::UrlFor(const std::string& anchor) const {
    const std::string path = PagePath();
    if (path.empty())
        return {};
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(path));
    if (!anchor.empty())
        url.setFragment(QString::fromStdString(anchor));
    return url;
}

HelpResult HelpViewer::Open(const std::string& anchor) const {
    const QUrl url = UrlFor(anchor);
    if (url.isEmpty())
        return HelpResult::Missing;
    return m_opener && m_opener(url) ? HelpResult::Opened : HelpResult::NotOpened;
}

QString HelpViewer::FailureText(HelpResult result) const {
    switch (result) {
    case HelpResult::Opened:
        break;
    case HelpResult::Missing: {
        const QString folder = m_folders.empty() ? QString() : QString::fromStdString(m_folders.front());
        return QStringLiteral("The help page \"%1\" cannot be found.\n\nIt belongs in the program folder:\n%2")
            .arg(QString::fromLatin1(kPage), folder);
    }
    case HelpResult::NotOpened:
        return QStringLiteral("The help page could not be opened because no web browser answered.\n\n"
                              "You can open it in your browser yourself:\n%1")
            .arg(QString::fromStdString(PagePath()));
    }
    return {};
}

std::vector<std::string> DefaultHelpFolders() {
    std::vector<std::string> folders;
    const std::string executable = ExecutablePath();
    if (!executable.empty())
        folders.emplace_back(std::string(FolderOf(executable)));
    folders.push_back(Settings::UserDataFolder());
    return folders;
}

void OpenHelp(const std::string& anchor) {
    const HelpViewer viewer(DefaultHelpFolders(), [](const QUrl& url) { return QDesktopServices::openUrl(url); });
    const HelpResult result = viewer.Open(anchor);
    if (result != HelpResult::Opened)
        QMessageBox::warning(QApplication::activeWindow(), QStringLiteral("Tallowin Help"), viewer.FailureText(result));
}
