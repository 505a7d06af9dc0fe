#include "install/InstallEntries.h"

#include "install/DesktopEntry.h"
#include "platform/FileOps.h"
#include "platform/Profile.h"

#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kComment = "Record dictations and send them to your typist";

bool WriteEntry(const std::string& path, const DesktopEntry& entry, mode_t mode) {
    const std::optional<std::string> text = DesktopEntryText(entry);
    return text && MakeFolders(std::string(FolderOf(path))) && WriteFileAtomically(path, *text, mode) &&
           ::chmod(path.c_str(), mode) == 0; // an older entry keeps its mode through the rewrite otherwise
}

std::string MenuEntryPath(const InstallPlaces& places, std::string_view file) {
    return JoinPath(places.applicationsFolder, file);
}

} // namespace

bool AddProgramMenuEntries(const InstallPlaces& places) {
    const DesktopEntry open{
        "Open Tallowin", kComment, {places.ProgramPath()}, places.IconPath(), "AudioVideo;Audio;Recorder;"};
    const DesktopEntry manual{"View Tallowin Manual",
                              "The Tallowin user guide",
                              {"xdg-open", places.HelpPath()},
                              places.IconPath(),
                              "AudioVideo;Audio;"};
    const bool openWritten = WriteEntry(MenuEntryPath(places, kOpenEntryFile), open, 0644);
    return WriteEntry(MenuEntryPath(places, kManualEntryFile), manual, 0644) && openWritten;
}

bool AddUninstallEntry(const InstallPlaces& places) {
    const std::string& key = places.keyFile;
    if (ProfileRead(key, kUninstallSection, kDisplayNameKey, "").empty()) {
        if (!MakeFolders(std::string(FolderOf(key))) ||
            !ProfileWrite(key, kUninstallSection, kDisplayNameKey, "Tallowin Uninstall") ||
            !ProfileWrite(key, kUninstallSection, kUninstallStringKey, places.UninstallerPath()) ||
            !ProfileFlush(key)) {
            ProfileForget(key);
            return false;
        }
    }
    const std::string uninstaller = ProfileRead(key, kUninstallSection, kUninstallStringKey, places.UninstallerPath());
    const DesktopEntry entry{"Tallowin Uninstall",
                             "Remove the Tallowin menu entries and desktop shortcut",
                             {uninstaller},
                             places.IconPath(),
                             "AudioVideo;Audio;"};
    return WriteEntry(MenuEntryPath(places, kUninstallEntryFile), entry, 0644);
}

bool AddDesktopShortcut(const InstallPlaces& places) {
    if (!IsFolder(places.desktopFolder))
        return false;
    const DesktopEntry shortcut{
        "Tallowin", kComment, {places.ProgramPath()}, places.IconPath(), "AudioVideo;Audio;Recorder;"};
    return WriteEntry(JoinPath(places.desktopFolder, kDesktopShortcutFile), shortcut, 0755);
}

void RemoveInstallEntries(const InstallPlaces& places) {
    (void)RemoveFile(JoinPath(places.desktopFolder, kDesktopShortcutFile));
    (void)RemoveFile(places.keyFile);
    ProfileForget(places.keyFile);
    (void)::rmdir(std::string(FolderOf(places.keyFile)).c_str()); // only when nothing else is in it
    for (const std::string_view file : {kOpenEntryFile, kManualEntryFile, kUninstallEntryFile})
        (void)RemoveFile(MenuEntryPath(places, file));
}
