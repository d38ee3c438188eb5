#include "BatchFile.h"

#include "CardSession.h"
#include "CliOptions.h"

#include <array>

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

enum Column { op, address, key, data };
constexpr std::array<QStringView, 4> column_names { u"op", u"address", u"key", u"data" };

} // namespace

BatchFile BatchFile::parse(QStringView text, TextEncoding card_encoding)
{
    BatchFile file;
    const QList<QStringView> rows = text.split(u'\n');
    std::array<qsizetype, 4> place { -1, -1, -1, -1 };
    qsizetype width = 0;
    for (qsizetype row = 0; row < rows.size(); ++row) {
        QStringView line = rows[row];
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const auto fields = csv_fields(line);
        if (width == 0) {
            // The header: the first line that is not empty.
            for (qsizetype i = 0; fields && i < fields->size(); ++i) {
                const auto* name = std::ranges::find(column_names, fields->at(i).trimmed());
                if (name == column_names.end() || place[name - column_names.begin()] >= 0)
                    return { {},
                        tr("%1번째 줄: 머리글에는 op, address, key, data 열이 "
                           "한 번씩만 옵니다")
                            .arg(row + 1) };
                place[name - column_names.begin()] = i;
            }
            if (place[op] < 0 || place[address] < 0)
                return { {},
                    tr("%1번째 줄: 머리글에 op와 address 열이 있어야 합니다").arg(row + 1) };
            width = fields->size();
            continue;
        }
        BatchLine entry;
        entry.number = int(row + 1);
        auto field = [&](Column column) {
            return place[column] < 0 ? QString() : fields->at(place[column]);
        };
        if (!fields || fields->size() != width) {
            entry.fault = fields
                ? tr("머리글의 필드는 %2개인데 %1개입니다").arg(fields->size()).arg(width)
                : tr("따옴표가 닫히지 않았습니다");
        } else if (const auto command = command_named(field(op))) {
            entry.command = *command;
            entry.fields = { field(address), field(key), field(data) };
            if (trim_spaces(entry.fields.key).isEmpty())
                entry.fields.key = default_key();
            entry.fault = CardSession::refusal(*command, entry.fields, card_encoding);
        } else {
            entry.fault = tr("알 수 없는 op '%1' (read, issue, modify 중 하나)").arg(field(op));
        }
        file.lines.append(entry);
    }
    if (width == 0)
        file.fault = tr("머리글 줄이 없습니다 (op,address,key,data)");
    return file;
}
