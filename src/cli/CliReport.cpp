#include "CliReport.h"

#include "BatchInput.h"
#include "ByteDisplay.h"
#include "CardText.h"
#include "StandardStreams.h"
#include "SystemReason.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace {

using Result = CardOutcome::Result;

// False when the line could not be written whole.
bool print(FILE* stream, const QByteArray& line)
{
    return print_to(stream, (line + '\n').constData());
}

QByteArray json(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QJsonObject card_object(
    const BatchLine& line, const CardOutcome& outcome, bool batch, std::optional<QString> text)
{
    QJsonObject object;
    if (batch)
        object[u"line"] = line.number;
    if (line.command) {
        object[u"op"] = command_word(*line.command);
        object[u"address"] = trim_spaces(line.fields.address);
    }
    object[u"result"] = outcome.word();
    object[u"message"] = outcome.message;
    if (line.command == CardCommand::read || !outcome.written.isEmpty()) {
        object[u"data"] = display_text(outcome.data);
        object[u"data_hex"] = QString::fromLatin1(outcome.data.toHex());
        object[u"text"] = text ? QJsonValue(*text) : QJsonValue();
    }
    if (!outcome.written.isEmpty())
        object[u"written_hex"] = QString::fromLatin1(outcome.written.toHex());
    object[u"elapsed_ms"] = outcome.elapsed_ms;
    return object;
}

} // namespace

CliReport::CliReport(const CliOptions& options, bool batch)
    : options_(options)
    , batch_(batch)
    , terminal_(batch && ::isatty(STDERR_FILENO) == 1)
{
}

void CliReport::count_cards()
{
    if (options_.batch_file == "-")
        return;
    BatchInput count(options_.input_encoding);
    BatchFile rules(options_.card_encoding);
    if (count.open(options_.batch_file)) {
        while (const auto raw = count.next()) {
            const auto entry = rules.take(raw->number, raw->text);
            cards_ += raw->fault.isEmpty() && entry && entry->fault.isEmpty();
        }
    }
}

void CliReport::say(const QString& text) const
{
    print(stderr, text.toUtf8());
}

void CliReport::card_message(const QString& text, int card_number) const
{
    if (!terminal_ || card_number == 0)
        say(text);
    else if (cards_ > 0)
        say(QCoreApplication::translate("CliRun", "카드 %2장 중 %1번째: %3")
                .arg(card_number)
                .arg(cards_)
                .arg(text));
    else
        say(QCoreApplication::translate("CliRun", "%1번째 카드: %2").arg(card_number).arg(text));
}

void CliReport::sent(const QString& echo) const
{
    say(QCoreApplication::translate("CliRun", "보냄: %1").arg(echo));
}

void CliReport::stray(const QByteArray& bytes) const
{
    say(QCoreApplication::translate("CliRun", "무시함: %1").arg(display_text(bytes)));
}

void CliReport::file_fault(const QString& fault) const
{
    say(QStringLiteral("novard-cli: %1: %2")
            .arg(quoted(QFile::decodeName(options_.batch_file)), fault));
}

void CliReport::no_header() const
{
    say(QCoreApplication::translate(
        "CliRun", "novard-cli: %1: 머리글 줄이 없습니다 (op,address,key,data)")
            .arg(quoted(QFile::decodeName(options_.batch_file))));
}

void CliReport::card(const BatchLine& line, const CardOutcome& outcome)
{
    const bool read = line.command == CardCommand::read;
    const std::optional<QString> text = outcome.text(options_.card_encoding);
    if (options_.json) {
        write_out(json(card_object(line, outcome, batch_, text)));
        return;
    }
    // The text only where the display forms do not already show it.
    QStringList row { read ? display_text(outcome.data) : QString() };
    const QString shown = text ? *text
                               : QCoreApplication::translate("CliReport", "없음 (%1)")
                                     .arg(outcome.no_text_reason(options_.card_encoding));
    if (read && shown != row[0])
        row += QCoreApplication::translate("CliReport", "텍스트: %1").arg(shown);
    if (batch_)
        write_out((QStringList { QString::number(line.number),
                       line.command ? command_word(*line.command) : QString(),
                       echo_form(trim_spaces(line.fields.address)), outcome.word() }
            + row)
                      .join(u'\t')
                      .toUtf8());
    else if (read && outcome.result == Result::completed)
        write_out(row.join(u'\n').toUtf8());
}

void CliReport::summary(const Summary& summary)
{
    if (!output_lost_.isEmpty())
        say(QCoreApplication::translate(
            "CliRun", "novard-cli: 출력을 쓸 수 없습니다: %1. 새 카드를 시작하지 않습니다")
                .arg(output_lost_));
    if (options_.json) {
        QJsonObject object;
        object[u"op"] = QStringLiteral("batch");
        summary.counts.put(object, summary.lines, summary.not_run);
        object[u"result"] = summary.result;
        object[u"stopped"] = summary.stopped;
        object[u"exit_status"] = summary.exit_status;
        object[u"elapsed_ms"] = summary.elapsed_ms;
        // Where it can still be read.
        if (output_lost_.isEmpty())
            write_out(json(object));
        else
            print(stderr, json(object));
    }
    say(summary.counts.text(summary.lines, summary.not_run));
}

void CliReport::check_output()
{
    if (batch_ && output_lost_.isEmpty() && standard_output_gone())
        output_lost_ = system_reason(EPIPE);
}

void CliReport::write_out(const QByteArray& line)
{
    if (output_lost_.isEmpty() && !print(stdout, line))
        output_lost_ = system_reason(errno);
}
