// The mail settings in "settings.ini" and the owner-only password file.
#include "MailConfig.h"

#include "FileOps.h"
#include "SendNetFixtures.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(MailConfig, ANewProgramFolderHasNoMailSettings) {
    ProgramFolder program;
    EXPECT_FALSE(IsMailConfigured(program.context));
    const MailSettings settings = LoadMailSettings(program.context);
    EXPECT_TRUE(settings.server.empty());
    EXPECT_EQ(settings.security, MailSecurity::StartTls);
    EXPECT_TRUE(settings.verifyCertificate);
}

TEST(MailConfig, SettingsRoundTripAndThePasswordStaysOutOfTheSettingsFile) {
    ProgramFolder program;
    MailSettings settings;
    settings.server = "mail.example.com:2525";
    settings.port = 587;
    settings.sender = "ann@example.com";
    settings.user = "ann";
    settings.password = "pass word ü";
    settings.security = MailSecurity::Smtps;
    settings.verifyCertificate = false;
    ASSERT_TRUE(SaveMailSettings(program.context, settings));
    EXPECT_TRUE(IsMailConfigured(program.context));

    const MailSettings loaded = LoadMailSettings(program.context);
    EXPECT_EQ(loaded.server, settings.server);
    EXPECT_EQ(loaded.port, 587);
    EXPECT_EQ(loaded.sender, settings.sender);
    EXPECT_EQ(loaded.user, "ann");
    EXPECT_EQ(loaded.password, settings.password);
    EXPECT_EQ(loaded.security, MailSecurity::Smtps);
    EXPECT_FALSE(loaded.verifyCertificate);

    const std::string ini = program.folder.Read("settings.ini");
    EXPECT_NE(ini.find("[mail]"), std::string::npos);
    EXPECT_EQ(ini.find("pass word"), std::string::npos);
    struct stat info {};
    ASSERT_EQ(::stat(MailPasswordPath(program.context).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600);
}

TEST(MailConfig, AnEmptyPasswordRemovesThePasswordFile) {
    ProgramFolder program;
    MailSettings settings;
    settings.server = "mail.example.com";
    settings.sender = "ann@example.com";
    settings.password = "secret";
    ASSERT_TRUE(SaveMailSettings(program.context, settings));
    settings.password.clear();
    ASSERT_TRUE(SaveMailSettings(program.context, settings));
    EXPECT_FALSE(PathExists(MailPasswordPath(program.context)));
    EXPECT_TRUE(LoadMailSettings(program.context).password.empty());
}
