// Word classification: one lookup gives a word's token code and what it
// names, and must agree with the language's tables compared without case.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "charclass.h"
#include "languagenames.h"
#include "words.h"

namespace quorlin {
namespace {

// The plain reading of the tables, entry by entry.
WordMeaning ModelMeaning(const std::string& word)
{
    WordMeaning meaning;
    for (const KeywordName& entry : KEYWORDS) {
        if (EqualsNoCase(entry.text, word))
            meaning.nToken = entry.nToken;
    }
    if (StartsWithNoCase(MATRIX_PREFIX, word))
        return {meaning.nToken, NAME_MATRIX_ELEMENT, 0};
    for (const NamedValue& entry : BUILTIN_VALUES) {
        if (EqualsNoCase(entry.name, word))
            return {meaning.nToken, NAME_BUILTIN_VALUE, entry.nValue};
    }
    for (const NamedValue& entry : FUNCTIONS) {
        if (EqualsNoCase(entry.name, word))
            return {meaning.nToken, NAME_FUNCTION, entry.nValue};
    }
    return meaning;
}

void ExpectModel(const std::string& word)
{
    const WordMeaning expected = ModelMeaning(word);
    const WordMeaning actual = ClassifyWord(word);
    EXPECT_EQ(actual.nToken, expected.nToken) << word;
    EXPECT_EQ(actual.nKind, expected.nKind) << word;
    EXPECT_EQ(actual.nValue, expected.nValue) << word;
}

// Every name of the language in several cases, and words one edit away.
TEST(ClassifyWord, EveryNameAndItsNeighboursAgreeWithTheTables)
{
    std::vector<std::string> names;
    for (const KeywordName& entry : KEYWORDS)
        names.emplace_back(entry.text);
    for (const NamedValue& entry : BUILTIN_VALUES)
        names.emplace_back(entry.name);
    for (const NamedValue& entry : FUNCTIONS)
        names.emplace_back(entry.name);
    names.emplace_back("Mat00");
    for (const std::string& name : names) {
        std::string upper = name;
        std::string lower = name;
        for (char& c : upper)
            c = ToUpperAscii(c);
        for (char& c : lower)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        for (const std::string& word : {name, upper, lower, name + "x", name.substr(1), name.substr(0, name.size() - 1),
                                        "x" + name, name + "0"}) {
            if (!word.empty())
                ExpectModel(word);
        }
    }
}

// Random short words over letters that the names use, digits and symbols.
TEST(ClassifyWord, RandomWordsAgreeWithTheTables)
{
    const std::string alphabet = "MmAaTtSsIiNnCcOoEeLlDdUuVvPpRrXxYyZzWwGgBb0123+-*/%=,<>;()$_.\x80";
    std::mt19937_64 random(13);
    for (int i = 0; i < 100000; ++i) {
        std::string word;
        const std::size_t nLength = 1 + random() % 14;
        for (std::size_t j = 0; j < nLength; ++j)
            word += alphabet[random() % alphabet.size()];
        ExpectModel(word);
    }
}

} // namespace
} // namespace quorlin
