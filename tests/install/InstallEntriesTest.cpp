// The places of a per-user installation, the desktop entries' text (checked by desktop-file-validate) and the
// uninstall key file, in a temporary home.
#include "ChildProcess.h"
#include "InstallTestHome.h"
#include "install/DesktopEntry.h"

#include <gmock/gmock.h>

using ::testing::AllOf;
using ::testing::HasSubstr;

class InstallEntriesTest : public ::testing::Test, protected InstallTestHome {};

TEST(InstallPlaces, TheDesktopFolderIsReadAsXdgUserDirReadsIt) {
    const std::pair<const char*, const char*> cases[] = {
        {"XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n", "/home/u/Schreibtisch"},
        {"# comment\nXDG_MUSIC_DIR=\"$HOME/Music\"\n  XDG_DESKTOP_DIR=\"/srv/desk\"", "/srv/desk"},
        {"XDG_DESKTOP_DIR=\"$HOME/a\"\nXDG_DESKTOP_DIR=\"$HOME/b\"\n", "/home/u/b"},
        {"XDG_DESKTOP_DIR=\"$HOME\"\n", "/home/u"},
        {"XDG_DESKTOP_DIR=$HOME/unquoted\n", ""},
        {"XDG_DESKTOP_DIR=\"$HOME/$OTHER\"\n", ""},
        {"XDG_DESKTOP_DIR=\"relative\"\n", ""},
        {"XDG_DESKTOP_DIR=\"$HOME/a\\\"b\"\n", ""},
    };
    for (const auto& [text, folder] : cases)
        EXPECT_EQ(DesktopFolderFromUserDirs(text, "/home/u"), folder) << text;
}

TEST_F(InstallEntriesTest, PlacesFollowTheXdgFolders) {
    EXPECT_EQ(places.applicationsFolder, home / "data/applications/");
    EXPECT_EQ(places.desktopFolder, home / "Desktop/");
    home.Write("config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n");
    EXPECT_EQ(InstallPlaces::ForUser().desktopFolder, home / "Bureau/");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(InstallPlaces::ForUser().installFolder, home / ".local/share/Orrindale/Tallowin/");
}

TEST_F(InstallEntriesTest, EntriesAreValidAndQuoteEveryPathWhole) {
    places.installFolder = home / "odd \"name\" $HOME `x` 100% back\\slash/";
    ASSERT_TRUE(AddProgramMenuEntries(places) && AddUninstallEntry(places) && AddDesktopShortcut(places));
    const std::string validator = FindProgram("desktop-file-validate");
    for (const std::string& path : EntryFiles()) {
        if (path == places.keyFile)
            continue;
        EXPECT_EQ(RunProgram({validator, path}, home / "validate.txt", std::chrono::seconds(30)), 0)
            << path << " is invalid: " << home.Read("validate.txt");
    }
    const std::string open = *ReadFileBytes(JoinPath(places.applicationsFolder, kOpenEntryFile));
    // Quoted for Exec ("\$", "%%"), then every '\' doubled for the string value.
    EXPECT_THAT(open, AllOf(HasSubstr("Name=Open Tallowin\n"),
                            HasSubstr("Exec=\"" + home.Path() +
                                      R"(odd \\"name\\" \\$HOME \\`x\\` 100%% back\\\\slash/tallowin")" + "\n")));
    EXPECT_FALSE(DesktopEntryText({"Open\nTallowin", "", {"/bin/true"}, "", ""}));
    EXPECT_FALSE(DesktopEntryText({"Tallowin", "", {"/line\nbreak"}, "", ""}));
}
