#include "SingleByteText.h"

#include <array>
#include <gtest/gtest.h>

TEST(SingleByteText, LatinLettersAndTheEuroSignBecomeTheirWindows1252Bytes) {
    EXPECT_EQ(Utf8ToSingleByte("Zoë Müller €5 – ok"), "Zo\xEB M\xFCller \x80"
                                                      "5 \x96 ok");
    EXPECT_EQ(SingleByteToUtf8("Zo\xEB M\xFCller \x80"
                               "5 \x96 ok"),
              "Zoë Müller €5 – ok");
}

TEST(SingleByteText, CharactersWithoutASingleByteFormBecomeOneQuestionMarkEach) {
    EXPECT_EQ(Utf8ToSingleByte("日本 ok 😀"), "?? ok ?");
}

TEST(SingleByteText, MalformedUtf8BecomesAQuestionMarkPerByte) {
    EXPECT_EQ(Utf8ToSingleByte("a\xC3"), "a?");
    EXPECT_EQ(Utf8ToSingleByte("\xFF\xFE"
                               "b"),
              "??b");
    EXPECT_EQ(Utf8ToSingleByte("\xED\xA0\x80"), "???"); // an encoded surrogate
}

TEST(SingleByteText, UndefinedBytesReadAsQuestionMarks) {
    EXPECT_EQ(SingleByteToUtf8("\x81\x8D\x8F\x90\x9D"), "?????");
}

TEST(SingleByteText, EveryDefinedByteSurvivesARoundTrip) {
    for (int byte = 1; byte < 256; ++byte) {
        const std::string one(1, static_cast<char>(byte));
        const std::string utf8 = SingleByteToUtf8(one);
        if (utf8 != "?") {
            EXPECT_EQ(Utf8ToSingleByte(utf8), one) << byte;
        }
    }
}

TEST(SingleByteText, Utf8PrefixNeverCutsACharacterInHalf) {
    EXPECT_EQ(Utf8Prefix("abé", 3), "ab");
    EXPECT_EQ(Utf8Prefix("abé", 4), "abé");
    EXPECT_EQ(Utf8Prefix("a😀", 4), "a");
    EXPECT_EQ(Utf8Prefix("short", 10), "short");
}

TEST(SingleByteText, AFieldKeepsOneCharacterLessThanItsSizeAndIsZeroFilled) {
    std::array<uint8_t, 6> field;
    field.fill(0xAA);
    WriteSingleByteField(field, "éèêëab");
    EXPECT_EQ(field, (std::array<uint8_t, 6>{0xE9, 0xE8, 0xEA, 0xEB, 'a', 0}));
    WriteSingleByteField(field, "x");
    EXPECT_EQ(field, (std::array<uint8_t, 6>{'x', 0, 0, 0, 0, 0}));
}

TEST(SingleByteText, AFieldIsReadUpToItsNulOrItsEndAndNoFurther) {
    const std::array<uint8_t, 8> bytes{'a', 0xE9, 0, 'z', 'q', 'r', 's', 't'};
    EXPECT_EQ(ReadSingleByteField(std::span(bytes)), "aé");
    EXPECT_EQ(ReadSingleByteField(std::span(bytes).subspan(3, 3)), "zqr");
}
