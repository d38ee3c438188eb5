#include "CommandFrame.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>
#include <ostream>

namespace {

struct TrimCase {
    const char* name;
    // Listed by name in test output.
    friend void PrintTo(const TrimCase& row, std::ostream* os) { *os << row.name; }
    QString typed;
    QString field;
};

class TrimSpaces : public testing::TestWithParam<TrimCase> { };

TEST_P(TrimSpaces, RemovesOnlyOuterCode32Spaces)
{
    EXPECT_EQ(trim_spaces(GetParam().typed), GetParam().field);
}

INSTANTIATE_TEST_SUITE_P(Fields, TrimSpaces,
    testing::Values(TrimCase { "Empty", QString(), QString() },
        TrimCase { "OnlySpaces", QStringLiteral("    "), QString() },
        TrimCase { "BothEnds", QStringLiteral("  abcd   "), QStringLiteral("abcd") },
        TrimCase { "InnerSpacesStay", QStringLiteral(" ab cd "), QStringLiteral("ab cd") },
        TrimCase { "TabsStay", QStringLiteral("\tab\t"), QStringLiteral("\tab\t") },
        TrimCase { "SpacesAroundTabGo", QStringLiteral("  \t  "), QStringLiteral("\t") },
        TrimCase { "FullWidthSpacesStay", QStringLiteral("\u3000ab\u3000"),
            QStringLiteral("\u3000ab\u3000") },
        TrimCase { "NoBreakSpaceStays", QStringLiteral("\u00a0ab "), QStringLiteral("\u00a0ab") },
        TrimCase { "LineBreakStays", QStringLiteral(" ab\n "), QStringLiteral("ab\n") }),
    [](const auto& info) { return std::string(info.param.name); });

struct CountCase {
    const char* name;
    // Listed by name in test output.
    friend void PrintTo(const CountCase& row, std::ostream* os) { *os << row.name; }
    QString text;
    qsizetype characters;
};

class CharacterCount : public testing::TestWithParam<CountCase> { };

TEST_P(CharacterCount, CountsCodePoints)
{
    EXPECT_EQ(character_count(GetParam().text), GetParam().characters);
}

INSTANTIATE_TEST_SUITE_P(Texts, CharacterCount,
    testing::Values(CountCase { "Empty", QString(), 0 },
        CountCase { "Ascii", QStringLiteral("abcd"), 4 },
        CountCase { "HangulSyllables", QStringLiteral("카드발행"), 4 },
        CountCase { "EmojiIsOne", QStringLiteral("😀"), 1 },
        CountCase { "EmojiBetweenLetters", QStringLiteral("a😀b😀"), 4 },
        CountCase { "LoneHighSurrogate", QString(QChar(0xD83D)), 1 },
        CountCase { "LoneLowSurrogateThenLetter", QString(QChar(0xDE00)) + u'a', 2 },
        CountCase { "ReversedPairIsTwo", QString(QChar(0xDE00)) + QChar(0xD83D), 2 }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InitialState, IsTheFirstProgressValueOfEachCommand)
{
    EXPECT_EQ(initial_state(CardCommand::read), u"read");
    EXPECT_EQ(initial_state(CardCommand::new_issue), u"new");
    EXPECT_EQ(initial_state(CardCommand::modify_issue), u"edit");
}

} // namespace
