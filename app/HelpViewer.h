// HelpViewer: finds the help page "tallowin.html" (beside the program, else in the per-user data folder) and opens
// it at an anchor in the desktop's web browser. UI thread only.
//
//   OpenHelp("hardware-settings");   // shows a message when the page is missing or no browser opens it
#pragma once

#include <QString>
#include <QUrl>
#include <functional>
#include <string>
#include <vector>

enum class HelpResult {
    Opened,
    Missing,  // no folder holds the page
    NotOpened // the desktop could not open it (no browser)
};

class HelpViewer {
public:
    static constexpr const char* kPage = "tallowin.html";
    static constexpr const char* kContents = "contents";

    // Asks the desktop to open a URL; true when it did.
    using UrlOpener = std::function<bool(const QUrl& url)>;

    // `folders` are searched in order.
    HelpViewer(std::vector<std::string> folders, UrlOpener opener);

    // The page's path in the first folder that holds it; empty when none does.
    std::string PagePath() const;
    // file:///…/tallowin.html#anchor (no fragment for an empty anchor); empty when the page is missing.
    QUrl UrlFor(const std::string& anchor) const;
    [[nodiscard]] HelpResult Open(const std::string& anchor) const;

    // What the user is told when Open did not succeed.
    QString FailureText(HelpResult result) const;

private:
    std::vector<std::string> m_folders;
    UrlOpener m_opener;
};

// The program's folder, then the per-user data folder.
std::vector<std::string> DefaultHelpFolders();

// Opens the help page at `anchor` ("contents", "hardware-settings" …) with the desktop's browser; when that fails,
// a message box over the active window says why.
void OpenHelp(const std::string& anchor);
