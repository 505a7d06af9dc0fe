// InstallPlaces: where a per-user installation of Tallowin puts things, from the XDG base directories:
//   install folder   $XDG_DATA_HOME/Orrindale/Tallowin/ (default ~/.local/share/...), with "Current Files/" and
//                    "Sent Files/"; the program, its help page, recordings and the uninstaller "uninst" live there
//   menu entries     $XDG_DATA_HOME/applications/
//   uninstall entry  the key file $XDG_CONFIG_HOME/Tallowin/uninstall.ini (default ~/.config/...)
//   desktop folder   XDG_DESKTOP_DIR of $XDG_CONFIG_HOME/user-dirs.dirs, default ~/Desktop (as `xdg-user-dir DESKTOP`)
#pragma once

#include <string>
#include <string_view>

struct InstallPlaces {
    // Every folder ends with '/'.
    std::string installFolder;
    std::string applicationsFolder;
    std::string keyFile;
    std::string desktopFolder;

    // From this process's environment (HOME, XDG_DATA_HOME, XDG_CONFIG_HOME and the user-dirs.dirs file).
    static InstallPlaces ForUser();

    std::string ProgramPath() const { return installFolder + "tallowin"; }
    std::string UninstallerPath() const { return installFolder + "uninst"; }
    std::string HelpPath() const { return installFolder + "tallowin.html"; }
    std::string IconPath() const { return installFolder + "tallowin.png"; }

    // Creates the install folder with "Current Files/" and "Sent Files/"; true when all three exist afterwards.
    [[nodiscard]] bool CreateInstallFolders() const;
};

// The desktop folder that the text of a user-dirs.dirs file names (XDG_DESKTOP_DIR="$HOME/..." or an absolute
// path), with `home` for $HOME; empty when the text names none or a value it cannot read.
std::string DesktopFolderFromUserDirs(std::string_view userDirs, std::string_view home);
