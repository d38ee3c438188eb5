#include "BatchFile.h"

#include "ByteDisplay.h"
#include "CardSession.h"
#include "CliOptions.h"

namespace {

// The fields of one CSV line; nothing when a quote is left open.
std::optional<QStringList> csv_fields(QStringView line)
{
    QStringList fields(1);
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted && c == u'"' && i + 1 < line.size() && line[i + 1] == u'"') {
            fields.last() += c;
            ++i;
        } else if (c == u'"') {
            quoted = !quoted;
        } else if (c == u',' && !quoted) {
            fields.append(QString());
        } else {
            fields.last() += c;
        }
    }
    if (quoted)
        return std::nullopt;
    return fields;
}

} // namespace

std::optional<BatchFile::Column> BatchFile::column_named(QStringView name)
{
    for (Column column : { Column::op, Column::address, Column::key, Column::data }) {
        QStringView named;
        switch (column) {
        case Column::op:
            named = u"op";
            break;
        case Column::address:
            named = u"address";
            break;
        case Column::key:
            named = u"key";
            break;
        case Column::data:
            named = u"data";
            break;
        }
        if (name == named)
            return column;
    }
    return std::nullopt;
}

qsizetype& BatchFile::place(Column column)
{
    switch (column) {
    case Column::op:
        return op_place_;
    case Column::address:
        return address_place_;
    case Column::key:
        return key_place_;
    case Column::data:
        return data_place_;
    }
    return data_place_;
}

QString BatchFile::field(const QStringList& fields, Column column)
{
    return place(column) < 0 ? QString() : fields.at(place(column));
}

std::optional<BatchLine> BatchFile::take(int number, QStringView line)
{
    if (line.isEmpty() || !fault_.isEmpty())
        return std::nullopt;
    const auto fields = csv_fields(line);
    if (width_ == 0) {
        // The header: the first line that is not empty.
        for (qsizetype i = 0; fields && i < fields->size(); ++i) {
            const auto column = column_named(fields->at(i).trimmed());
            if (!column || place(*column) >= 0) {
                fault_ = tr("%1번째 줄: 머리글에는 op, address, key, data 열이 한 번씩만 옵니다")
                             .arg(number);
                return std::nullopt;
            }
            place(*column) = i;
        }
        if (op_place_ < 0 || address_place_ < 0)
            fault_ = tr("%1번째 줄: 머리글에 op와 address 열이 있어야 합니다").arg(number);
        else
            width_ = fields->size();
        return std::nullopt;
    }
    BatchLine entry;
    entry.number = number;
    if (!fields || fields->size() != width_) {
        entry.fault = fields
            ? tr("머리글의 필드는 %2개인데 %1개입니다").arg(fields->size()).arg(width_)
            : tr("따옴표가 닫히지 않았습니다");
    } else if (const auto command = command_named(field(*fields, Column::op))) {
        entry.command = *command;
        entry.fields = { field(*fields, Column::address), field(*fields, Column::key),
            field(*fields, Column::data) };
        if (trim_spaces(entry.fields.key).isEmpty())
            entry.fields.key = default_key();
        entry.fault = CardSession::refusal(*command, entry.fields, card_encoding_);
    } else {
        entry.fault = tr("알 수 없는 op '%1' (read, issue, modify 중 하나)")
                          .arg(echo_form(field(*fields, Column::op)));
    }
    return entry;
}
