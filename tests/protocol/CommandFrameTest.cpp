#include "CommandFrame.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandFrame, TrimSpacesRemovesOnlyOuterCode32Spaces)
{
    const std::pair<QString, QString> cases[] = {
        { "", "" },
        { "    ", "" },
        { "  abcd   ", "abcd" },
        { " ab cd ", "ab cd" },
        { "\tab\t", "\tab\t" },
        { "  \t  ", "\t" },
        { "\u3000ab\u3000", "\u3000ab\u3000" },
        { "\u00a0ab ", "\u00a0ab" },
        { " ab\n ", "ab\n" },
    };
    for (const auto& [typed, field] : cases)
        EXPECT_EQ(trim_spaces(typed), field) << typed.toStdString();
}

TEST(CommandFrame, CharacterCountCountsCodePoints)
{
    const std::pair<QString, qsizetype> cases[] = {
        { "", 0 },
        { "abcd", 4 },
        { "카드발행", 4 },
        { "😀", 1 },
        { "a😀b😀", 4 },
        { QString(QChar(0xD83D)), 1 },
        { QString(QChar(0xDE00)) + u'a', 2 },
        { QString(QChar(0xDE00)) + QChar(0xD83D), 2 },
    };
    for (const auto& [text, count] : cases)
        EXPECT_EQ(character_count(text), count) << text.toStdString();
}

} // namespace
