// UTF-8, letter case and user names as both the game and the account server apply them.

#include "text_case.h"
#include "user_names.h"
#include "utf8.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace dovrix {
namespace {

const std::string kReplacement = "\xEF\xBF\xBD"; // U+FFFD

// Only the shortest form of a code point is a character: anything else is no text to the
// server and no letters to the game, which shows U+FFFD for each byte of it.
TEST(Utf8, OnlyTheShortestFormOfACodePointIsACharacter) {
    // The text, its length in UTF-16 units when it is valid, and its characters when decoded.
    const std::vector<std::tuple<std::string, std::optional<std::size_t>, std::u32string>> rows = {
        {"", 0, U""},
        {"pat", 3, U"pat"},
        {"\xC3\xA9", 1, U"\u00E9"},                     // é
        {"\xE2\x82\xAC", 1, U"\u20AC"},                 // €
        {"\xF0\x9F\x98\x80", 2, U"\U0001F600"},         // outside the BMP: two units
        {"\xF4\x8F\xBF\xBF", 2, U"\U0010FFFF"},         // the last code point
        {"\xEF\xBF\xBD", 1, U"\uFFFD"},
        {"\xC0\xAF", {}, U"\uFFFD\uFFFD"},              // '/' in two bytes
        {"\xE0\x80\xAE", {}, U"\uFFFD\uFFFD\uFFFD"},    // '.' in three bytes
        {"\xF0\x80\x80\xAF", {}, U"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"\xED\xA0\x80", {}, U"\uFFFD\uFFFD\uFFFD"},    // a surrogate
        {"\xF4\x90\x80\x80", {}, U"\uFFFD\uFFFD\uFFFD\uFFFD"}, // above U+10FFFF
        {"\xF5\x80\x80\x80", {}, U"\uFFFD\uFFFD\uFFFD\uFFFD"}, // lead bytes F5 to F7
        {"\xFF", {}, U"\uFFFD"},
        {"a\x80" "b", {}, U"a\uFFFDb"},                 // a stray continuation byte
        {"\xC3", {}, U"\uFFFD"},                        // cut short
        {"\xE2\x82" "a", {}, U"\uFFFD\uFFFDa"},
    };
    for (const auto& [text, units, characters] : rows) {
        EXPECT_EQ(utf16Length(text), units) << testing::PrintToString(text);
        EXPECT_EQ(decodeUtf8(text), characters) << testing::PrintToString(text);
        EXPECT_EQ(characterCount(text), characters.size()) << testing::PrintToString(text);
        if (units) {
            EXPECT_EQ(encodeUtf8(characters), text);
        }
    }
}

TEST(TextCase, LatinGreekAndCyrillicLettersChangeCaseOthersStay) {
    const std::vector<std::tuple<std::string, std::string, std::string>> rows = {
        // text, in capitals, in small letters
        {"Pat.Kim", "PAT.KIM", "pat.kim"},
        {"émile zola", "ÉMILE ZOLA", "émile zola"},
        {"ÿ Ÿ × ÷ ß", "Ÿ Ÿ × ÷ ß", "ÿ ÿ × ÷ ß"},
        {"Łódź Ŋ ŉ", "ŁÓDŹ Ŋ ŉ", "łódź ŋ ŉ"},
        {"İı", "İı", "İı"}, // the dotted and dotless i pair with the plain i: left alone
        {"Σοφια ς", "ΣΟΦΙΑ Σ", "σοφια ς"},
        {"Ёлка Џ", "ЁЛКА Џ", "ёлка џ"},
        {"日本 123 ☃", "日本 123 ☃", "日本 123 ☃"},
        // What is not UTF-8 is no letter: an overlong 'A' stays no 'a' in any case.
        {"\xC1\x81", kReplacement + kReplacement, kReplacement + kReplacement},
    };
    for (const auto& [text, upper, lower] : rows) {
        EXPECT_EQ(toUpperCase(text), upper) << text;
        EXPECT_EQ(toLowerCase(text), lower) << text;
    }
}

// A name the login box can send is one the server takes, and the other way round; the limits
// count as the box counts, in UTF-16 units.
TEST(UserNames, AcceptedByTheirLengthAsTheLoginBoxCountsIt) {
    const std::string smiles12 = [] {
        std::string text;
        for (int i = 0; i < 12; ++i) {
            text += "\xF0\x9F\x98\x80";
        }
        return text;
    }();
    const std::vector<std::tuple<std::string, std::size_t, std::size_t, bool>> rows = {
        {"m", 1, kLongestTypedText, true},
        {"", 1, kLongestTypedText, false},
        {"", 0, kLongestTypedText, true},
        {std::string(25, 'a'), 1, kLongestTypedText, true},
        {std::string(26, 'a'), 1, kLongestTypedText, false},
        {std::string(64, 'a'), 1, kLongestSchoolName, true},
        {std::string(65, 'a'), 1, kLongestSchoolName, false},
        {smiles12 + "a", 1, kLongestTypedText, true},   // 25 units
        {smiles12 + "ab", 1, kLongestTypedText, false}, // 26 units, 14 characters
        {"zoë", 1, 3, true},
        {"tab\tpw", 1, kLongestTypedText, false},
        {"new\nline", 1, kLongestTypedText, false},
        {"del\x7F", 1, kLongestTypedText, false},
        {"a\xC0\xAF" "b", 1, kLongestTypedText, false},
        {"two words", 1, kLongestTypedText, true},
    };
    for (const auto& [text, least, most, accepted] : rows) {
        EXPECT_EQ(isAcceptableText(text, least, most), accepted)
            << testing::PrintToString(text) << ' ' << least << ".." << most;
    }
    EXPECT_EQ(userKey("Mary"), userKey("MARY"));
    EXPECT_EQ(userKey("ÉMILE.Zola"), "émile.zola");
    EXPECT_NE(userKey("Mary"), userKey("Mary "));
    EXPECT_TRUE(isSchoolLogOnName("pat.kim"));
    EXPECT_FALSE(isSchoolLogOnName("Pat Kim"));
}

} // namespace
} // namespace dovrix
