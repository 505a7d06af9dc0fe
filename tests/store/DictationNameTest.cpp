// Dictation names (cleaning, limits, comparing without regard to case) and the text of a dictation's date.
#include "store/DictationName.h"

#include "store/DictationDateText.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

namespace {

TEST(DictationName, TypedNamesLoseForbiddenCharactersAndAreRefusedWhenEmptyTooLongOrNotUtf8) {
    const auto expect = [](std::string_view typed, NameCheck check, std::string_view name = "",
                           std::string_view folder = "/data/Current Files/") { // 20 bytes: the name may have 234
        const CleanedName cleaned = CleanDictationName(typed, folder);
        EXPECT_EQ(cleaned.check, check) << typed;
        EXPECT_EQ(check == NameCheck::Usable ? cleaned.name : "", name) << typed;
    };
    expect("a:b*c.d", NameCheck::Usable, "a b c d");
    expect("<x>\"y\"|z\\w", NameCheck::Usable, "x  y  z w");
    expect("  tab\there\nnew. ", NameCheck::Usable, "tab here new");
    expect("Brief an Müller & Co (2)?", NameCheck::Usable, "Brief an Müller & Co (2)?");
    expect(" / : . ", NameCheck::Empty);
    expect("Caf\xe9", NameCheck::Invalid);
    expect("\xed\xa0\x80", NameCheck::Invalid);                              // a surrogate
    expect(std::string(234, 'x'), NameCheck::Usable, std::string(234, 'x')); // the 258-byte wave path
    expect(std::string(235, 'x'), NameCheck::TooLong);
    expect(std::string(251, 'x'), NameCheck::Usable, std::string(251, 'x'), "/d/"); // 255 bytes with ".wav"
    expect(std::string(252, 'x'), NameCheck::TooLong, "", "/d/");
    expect(std::string(250, 'x') + "ü", NameCheck::TooLong, "", "/d/"); // 251 characters, but 252 bytes
    EXPECT_EQ(NameLimit("/" + std::string(300, 'f')), 0u);
}

TEST(DictationName, NamesAreComparedWithoutRegardToCaseBeyondAscii) {
    EXPECT_FALSE(EqualNoCase("Dictation 1", "Dictation 11"));
    EXPECT_TRUE(LessNoCase("apple", "Banana") && LessNoCase("Dictation 10", "dictation 2"));
    EXPECT_TRUE(LessNoCase("APPLE", "apple") && !LessNoCase("apple", "APPLE")); // ties go by the bytes
    EXPECT_EQ(FoldCase("x\xff"), "x\xff");                                      // not UTF-8: left alone
    if (FoldCase("Ä") == "Ä")
        GTEST_SKIP() << "the system has no UTF-8 character set";
    EXPECT_TRUE(EqualNoCase("ÄPFEL", "äpfel"));
    EXPECT_TRUE(EqualNoCase("ΣΟΦΙΑ", "σοφια"));
}

} // namespace

TEST(DictationDateText, KnownDatesShowLocalDayMonthNameYearAndTimeAndOthersAreUnknown) {
    const char* const zone = std::getenv("TZ");
    const std::string saved = zone ? zone : "";
    const std::tuple<const char*, int64_t, const char*> cases[] = {
        {"UTC0", 0, "File create date unknown"},
        {"UTC0", INT64_MAX, "File create date unknown"},
        {"UTC0", 1, "Dictation started 1 January 1970 00:00"},
        {"UTC0", 4102444800, "Dictation started 1 January 2100 00:00"},
        {"CET-1", 1764925620, "Dictation started 5 December 2025 10:07"}};
    for (const auto& [tz, date, text] : cases) {
        ::setenv("TZ", tz, 1);
        ::tzset();
        EXPECT_EQ(DictationDateText(date), text) << tz << " " << date;
    }
    zone ? ::setenv("TZ", saved.c_str(), 1) : ::unsetenv("TZ");
    ::tzset();
}
