// InstallTestHome: a temporary home for the installer's tests: HOME, XDG_DATA_HOME and XDG_CONFIG_HOME point into
// a fresh folder that has a desktop folder, and `places` are those of an installation there.
#pragma once

#include "TempFolder.h"
#include "install/InstallEntries.h"
#include "platform/FileOps.h"

#include <cstdlib>

struct InstallTestHome {
    InstallTestHome() {
        ::setenv("HOME", home.Path().c_str(), 1);
        ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
        (void)MakeFolders(home / "Desktop");
        places = InstallPlaces::ForUser();
    }

    // The three menu entries, the desktop shortcut and the uninstall key file.
    std::vector<std::string> EntryFiles() const {
        std::vector<std::string> files{places.desktopFolder + std::string(kDesktopShortcutFile), places.keyFile};
        for (const std::string_view file : {kOpenEntryFile, kManualEntryFile, kUninstallEntryFile})
            files.push_back(JoinPath(places.applicationsFolder, file));
        return files;
    }

    TempFolder home;
    InstallPlaces places;
};
