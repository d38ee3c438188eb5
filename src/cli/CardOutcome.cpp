#include "CardOutcome.h"

#include "ByteDisplay.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

using Result = CardOutcome::Result;

// A card's unused bytes after its text: blank cards hold 00 or FF.
QByteArrayView without_fill(QByteArrayView block)
{
    while (!block.isEmpty() && (block.back() == '\0' || block.back() == '\xFF'))
        block.chop(1);
    return block;
}

} // namespace

QString CardOutcome::word() const
{
    switch (result) {
    case Result::completed:
        return QStringLiteral("completed");
    case Result::card_failed:
        return QStringLiteral("card_failed");
    case Result::refused:
        return QStringLiteral("refused");
    case Result::no_answer:
        return QStringLiteral("no_answer");
    case Result::no_card:
        return QStringLiteral("no_card");
    case Result::port_error:
        return QStringLiteral("port_error");
    case Result::bad_input:
        return QStringLiteral("bad_input");
    case Result::verify_failed:
        return QStringLiteral("verify_failed");
    case Result::bad_reply:
        return QStringLiteral("bad_reply");
    case Result::verify_not_made:
        return QStringLiteral("verify_not_made");
    case Result::interrupted:
        return QStringLiteral("interrupted");
    }
    return {};
}

int CardOutcome::status_of(Result result)
{
    switch (result) {
    case Result::completed:
        return 0;
    case Result::bad_input:
        return 2;
    case Result::refused:
        return 3;
    case Result::card_failed:
    case Result::verify_failed:
        return 4;
    case Result::no_answer:
    case Result::no_card:
        return 5;
    case Result::port_error:
        return 6;
    case Result::bad_reply:
        return 8;
    case Result::verify_not_made:
        return 9;
    case Result::interrupted:
        return stopped_status;
    }
    return stopped_status;
}

std::optional<QString> CardOutcome::text(TextEncoding encoding) const
{
    const auto decoded = decode_card_text(without_fill(data), encoding);
    if (!decoded
        || std::ranges::any_of(*decoded, [](QChar c) { return is_control_character(c.unicode()); }))
        return std::nullopt;
    return decoded;
}

QString CardOutcome::no_text_reason(TextEncoding encoding) const
{
    return decode_card_text(without_fill(data), encoding)
        ? QCoreApplication::translate("CardOutcome", "제어 바이트가 있음")
        : QCoreApplication::translate("CardOutcome", "%1 텍스트가 아님")
              .arg(encoding_label(encoding));
}
