#include "DictationName.h"

#include "DictationDateText.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const std::string kFolder = "/data/Current Files/"; // 20 bytes

CleanedName Clean(std::string_view typed) {
    return CleanDictationName(typed, kFolder);
}

} // namespace

TEST(DictationName, ForbiddenCharactersBecomeBlanks) {
    EXPECT_EQ(Clean("a:b*c.d").name, "a b c d");
    EXPECT_EQ(Clean("Meeting 3.5/6").name, "Meeting 3 5 6");
    EXPECT_EQ(Clean("<x>\"y\"|z\\w").name, "x  y  z w");
    EXPECT_EQ(Clean("tab\there\nnew").name, "tab here new");
    EXPECT_EQ(Clean("a:b*c.d").check, NameCheck::Usable);
}

TEST(DictationName, AQuestionMarkAndOtherTextStayAsTyped) {
    EXPECT_EQ(Clean("Why?").name, "Why?");
    EXPECT_EQ(Clean("Brief an Müller & Co (2)").name, "Brief an Müller & Co (2)");
}

TEST(DictationName, BlanksAtEitherEndAreDroppedAndNothingLeftIsRefused) {
    EXPECT_EQ(Clean("  Letter  ").name, "Letter");
    EXPECT_EQ(Clean(".wav").name, "wav");
    EXPECT_EQ(Clean("").check, NameCheck::Empty);
    EXPECT_EQ(Clean("   ").check, NameCheck::Empty);
    EXPECT_EQ(Clean("...").check, NameCheck::Empty);
    EXPECT_EQ(Clean(" / : ").check, NameCheck::Empty);
}

TEST(DictationName, NamesMustFitAFileNameWithTheirExtension) {
    EXPECT_EQ(NameLimit(kFolder), 234u); // the 258-byte wave path is the tighter limit here
    EXPECT_EQ(NameLimit("/d/"), 251u);   // 255 bytes with ".wav"
    EXPECT_EQ(CleanDictationName(std::string(251, 'x'), "/d/").check, NameCheck::Usable);
    EXPECT_EQ(CleanDictationName(std::string(252, 'x'), "/d/").check, NameCheck::TooLong);
    // Counted in bytes: 126 two-byte letters are 252 bytes.
    std::string umlauts;
    for (int i = 0; i < 126; ++i)
        umlauts += "ü";
    EXPECT_EQ(CleanDictationName(umlauts, "/d/").check, NameCheck::TooLong);
}

TEST(DictationName, TheFullWavePathMustFitAnIniValue) {
    const std::string deep = "/" + std::string(200, 'f') + "/"; // 202 bytes
    EXPECT_EQ(NameLimit(deep), 52u);                            // 202 + 52 + 4 = 258
    EXPECT_EQ(CleanDictationName(std::string(52, 'n'), deep).check, NameCheck::Usable);
    EXPECT_EQ(CleanDictationName(std::string(53, 'n'), deep).check, NameCheck::TooLong);
    EXPECT_EQ(NameLimit("/" + std::string(300, 'f')), 0u);
}

TEST(DictationName, BytesThatAreNotUtf8AreRefused) {
    EXPECT_EQ(Clean("Caf\xe9").check, NameCheck::Invalid);
    EXPECT_EQ(Clean("\xc3").check, NameCheck::Invalid);
    EXPECT_EQ(Clean("\xed\xa0\x80").check, NameCheck::Invalid); // a surrogate
    EXPECT_EQ(Clean("Café").check, NameCheck::Usable);
}

TEST(DictationName, CaseIsIgnoredWhenComparing) {
    EXPECT_TRUE(EqualNoCase("Dictation 1", "DICTATION 1"));
    EXPECT_FALSE(EqualNoCase("Dictation 1", "Dictation 11"));
    EXPECT_EQ(FoldCase("Letter TO Bank"), "letter to bank");
    EXPECT_EQ(FoldCase("x\xff"), "x\xff");
}

TEST(DictationName, LettersBeyondAsciiAreComparedWithoutRegardToCaseToo) {
    if (FoldCase("Ä") == "Ä")
        GTEST_SKIP() << "the system has no UTF-8 character set";
    EXPECT_TRUE(EqualNoCase("ÄPFEL", "äpfel"));
    EXPECT_TRUE(EqualNoCase("ΣΟΦΙΑ", "σοφια"));
}

TEST(DictationName, TheListOrderIsAlphabeticalWithoutRegardToCase) {
    std::vector<std::string> names{"dictation 2", "Dictation 10", "apple", "Banana", "Dictation 1", "APPLE"};
    std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) { return LessNoCase(a, b); });
    EXPECT_EQ(names,
              (std::vector<std::string>{"APPLE", "apple", "Banana", "Dictation 1", "Dictation 10", "dictation 2"}));
}

class DictationDateTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* zone = std::getenv("TZ");
        m_zone = zone ? std::optional<std::string>(zone) : std::nullopt;
        ::setenv("TZ", "UTC0", 1);
        ::tzset();
    }
    void TearDown() override {
        if (m_zone)
            ::setenv("TZ", m_zone->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    std::optional<std::string> m_zone;
};

TEST_F(DictationDateTextTest, ADateBelowOneIsUnknown) {
    EXPECT_EQ(DictationDateText(0), "File create date unknown");
    EXPECT_EQ(DictationDateText(-86400), "File create date unknown");
    EXPECT_EQ(DictationDateText(INT64_MAX), "File create date unknown");
}

TEST_F(DictationDateTextTest, KnownDatesShowDayMonthNameYearAndTime) {
    EXPECT_EQ(DictationDateText(1), "Dictation started 1 January 1970 00:00");
    EXPECT_EQ(DictationDateText(1764925620), "Dictation started 5 December 2025 09:07");
    EXPECT_EQ(DictationDateText(1727740740), "Dictation started 30 September 2024 23:59");
    EXPECT_EQ(DictationDateText(4102444800), "Dictation started 1 January 2100 00:00");
}

TEST_F(DictationDateTextTest, TheTimeIsLocal) {
    ::setenv("TZ", "CET-1", 1);
    ::tzset();
    EXPECT_EQ(DictationDateText(1764925620), "Dictation started 5 December 2025 10:07");
}
