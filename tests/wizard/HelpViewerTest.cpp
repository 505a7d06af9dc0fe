#include "HelpViewer.h"

#include <TempFolder.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

class HelpViewerTest : public ::testing::Test {
protected:
    HelpViewer Viewer(std::vector<std::string> folders, bool browserAnswers = true) {
        return HelpViewer(std::move(folders), [this, browserAnswers](const QUrl& url) {
            m_opened.push_back(url);
            return browserAnswers;
        });
    }

    TempFolder m_program;
    TempFolder m_data;
    std::vector<QUrl> m_opened;
};

TEST_F(HelpViewerTest, OpensThePageBesideTheProgramAtTheAnchor) {
    m_program.Write("tallowin.html", "<html></html>");
    m_data.Write("tallowin.html", "<html></html>");
    const HelpViewer viewer = Viewer({m_program.Path(), m_data.Path()});
    EXPECT_EQ(viewer.Open("hardware-settings"), HelpResult::Opened);
    ASSERT_EQ(m_opened.size(), 1u);
    EXPECT_EQ(m_opened[0].scheme(), "file");
    EXPECT_EQ(m_opened[0].toLocalFile().toStdString(), m_program / "tallowin.html");
    EXPECT_EQ(m_opened[0].fragment(), "hardware-settings");
    EXPECT_EQ(m_opened[0].toString().toStdString(), "file://" + m_program.Path() + "tallowin.html#hardware-settings");
}

TEST_F(HelpViewerTest, FallsBackToTheDataFolder) {
    m_data.Write("tallowin.html", "<html></html>");
    const HelpViewer viewer = Viewer({m_program.Path(), m_data.Path()});
    EXPECT_EQ(viewer.UrlFor("contents").toLocalFile().toStdString(), m_data / "tallowin.html");
    EXPECT_FALSE(viewer.UrlFor("").hasFragment());
}

TEST_F(HelpViewerTest, AFolderWithSpacesGivesAValidUrl) {
    const std::string path = m_program.Write("with space/tallowin.html", "<html></html>");
    const HelpViewer viewer = Viewer({m_program / "with space"});
    const QUrl url = viewer.UrlFor("keyboard");
    EXPECT_TRUE(url.isValid());
    EXPECT_EQ(url.toLocalFile().toStdString(), path);
    EXPECT_TRUE(url.toEncoded().contains("with%20space"));
}

TEST_F(HelpViewerTest, AMissingPageIsReportedAndNothingOpens) {
    m_program.Write("tallowin.html/nested", "a folder of that name is not the page");
    const HelpViewer viewer = Viewer({m_program.Path(), m_data.Path()});
    EXPECT_EQ(viewer.Open("contents"), HelpResult::Missing);
    EXPECT_TRUE(m_opened.empty());
    const QString text = viewer.FailureText(HelpResult::Missing);
    EXPECT_TRUE(text.contains("\"tallowin.html\" cannot be found"));
    EXPECT_TRUE(text.contains(QString::fromStdString(m_program.Path())));
}

TEST_F(HelpViewerTest, ABrowserThatDoesNotAnswerIsReported) {
    m_program.Write("tallowin.html", "<html></html>");
    const HelpViewer viewer = Viewer({m_program.Path()}, false);
    EXPECT_EQ(viewer.Open("contents"), HelpResult::NotOpened);
    EXPECT_TRUE(
        viewer.FailureText(HelpResult::NotOpened).contains(QString::fromStdString(m_program / "tallowin.html")));
}

TEST(HelpPage, IsBesideTheProgramWithEveryAnchorTheDialogsOpen) {
    const std::string page = ReadAll(std::string(TALLOWIN_PROGRAM_FOLDER) + "/tallowin.html");
    ASSERT_FALSE(page.empty());
    for (const char* anchor : {"contents", "hardware-settings", "recipient-settings", "recipient-properties",
                               "user-settings", "mail-settings", "work-progress", "keyboard"})
        EXPECT_NE(page.find(std::string("id=\"") + anchor + "\""), std::string::npos) << anchor;
}
