#include "CliRun.h"

#include "ByteDisplay.h"
#include "CardText.h"
#include "PortOperations.h"
#include "SerialControl.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

namespace {

using Result = CardOutcome::Result;

// A block's text on a terminal or in a row: its control characters by name, as the log shows
// them, so that none acts on the terminal or splits a row.
QString shown_text(const QString& text)
{
    QString shown;
    for (const QChar c : text)
        shown += c.unicode() < 0x20 || c.unicode() == 0x7F ? display_form(quint8(c.unicode()))
                                                           : QString(c);
    return shown;
}

void print(FILE* stream, const QByteArray& line)
{
    std::fputs((line + '\n').constData(), stream);
    std::fflush(stream);
}

void print(FILE* stream, const QString& line)
{
    print(stream, line.toUtf8());
}

void print(const QJsonObject& object)
{
    print(stdout, QJsonDocument(object).toJson(QJsonDocument::Compact));
}

} // namespace

CliRun::CliRun(const CliOptions& options, SerialControl& line, QList<BatchLine> lines)
    : options_(options)
    , line_(line)
    , session_(line, options.ack_timeout_ms, options.card_timeout_ms, options.card_encoding)
    , lines_(std::move(lines))
    , cards_(
          int(std::ranges::count_if(lines_, [](const BatchLine& l) { return l.fault.isEmpty(); })))
    , terminal_(is_batch() && ::isatty(STDERR_FILENO) == 1)
{
    connect(&session_, &CardSession::message, this, [this](const QString& text) {
        say(terminal_ && session_.busy()
                ? tr("카드 %2장 중 %1번째: %3").arg(card_number_).arg(cards_).arg(text)
                : text);
    });
    connect(&session_, &CardSession::finished, this, &CliRun::finished);
    if (options_.verbose) {
        connect(&session_, &CardSession::sent, this,
            [this](const QString& echo) { say(tr("보냄: %1").arg(echo)); });
        connect(&session_, &CardSession::stray, this,
            [this](const QByteArray& bytes) { say(tr("무시함: %1").arg(display_text(bytes))); });
    }
}

void CliRun::begin()
{
    clock_.start();
    // Nothing to send, nothing to open: bad input is told without touching the port.
    if (cards_ == 0) {
        next();
        return;
    }
    line_.set_comm_port(options_.port);
    if (const CommResult opened = PortOperations::open_for_reader(line_); !opened) {
        const CardOutcome outcome { Result::port_error,
            PortOperations::open_failure_message(options_.port, opened), {}, 0 };
        say(outcome.message);
        first_failure_ = outcome;
        if (!is_batch())
            report(lines_[0], outcome);
        end();
        return;
    }
    next();
}

void CliRun::stop(int signal_number)
{
    const bool again = stop_signal_ != 0;
    stop_signal_ = signal_number;
    if (!is_batch() || again || !session_.busy()) {
        session_.abandon();
        end();
    } else {
        say(tr("novard-cli: 진행 중인 카드를 마치고 멈춥니다 (신호를 한 번 더 보내면 바로 "
               "멈춥니다)"));
    }
}

void CliRun::next()
{
    if (stop_signal_ != 0 || halted_ || position_ >= lines_.size()) {
        end();
        return;
    }
    const BatchLine& line = lines_[position_];
    if (!line.fault.isEmpty()) {
        say(is_batch() ? tr("%1번째 줄: %2").arg(line.number).arg(line.fault) : line.fault);
        finished({ Result::bad_input, line.fault, {}, 0 });
        return;
    }
    ++card_number_;
    session_.start(*line.command, line.fields);
}

void CliRun::finished(const CardOutcome& outcome)
{
    report(lines_[position_], outcome);
    ++position_;
    if (outcome.result == Result::completed) {
        ++completed_;
    } else {
        ++failed_;
        if (!first_failure_)
            first_failure_ = outcome;
        halted_ = options_.stop_on_error;
    }
    // Not from inside the session's handling of the answer: the bytes after its end are noise.
    QTimer::singleShot(0, this, &CliRun::next);
}

void CliRun::report(const BatchLine& line, const CardOutcome& outcome)
{
    const bool read = line.command == CardCommand::read;
    const std::optional<QString> text = decode_card_text(outcome.data, options_.card_encoding);
    if (!options_.json) {
        // The text only where the display forms do not already show it.
        QStringList row { read ? display_text(outcome.data) : QString() };
        const QString shown = text
            ? shown_text(*text)
            : QStringLiteral("none (not %1)").arg(encoding_label(options_.card_encoding));
        if (read && shown != row[0])
            row += QStringLiteral("text: ") + shown;
        if (is_batch())
            print(stdout,
                (QStringList { QString::number(line.number),
                     line.command ? command_word(*line.command) : QString(),
                     trim_spaces(line.fields.address), outcome.word() }
                    + row)
                    .join(u'\t'));
        else if (read && outcome.result == Result::completed)
            print(stdout, row.join(u'\n'));
        return;
    }
    QJsonObject object;
    if (is_batch())
        object[u"line"] = line.number;
    if (line.command) {
        object[u"op"] = command_word(*line.command);
        object[u"address"] = trim_spaces(line.fields.address);
    }
    object[u"result"] = outcome.word();
    object[u"message"] = outcome.message;
    if (read) {
        object[u"data"] = display_text(outcome.data);
        object[u"data_hex"] = QString::fromLatin1(outcome.data.toHex());
        object[u"text"] = text ? QJsonValue(*text) : QJsonValue();
    }
    object[u"elapsed_ms"] = outcome.elapsed_ms;
    print(object);
}

void CliRun::end()
{
    if (ended_)
        return;
    ended_ = true;
    // A stopped run ends as a shell tells a stop by a signal.
    const int status = stop_signal_ != 0 ? 128 + stop_signal_
                                         : first_failure_.value_or(CardOutcome {}).exit_status();
    if (is_batch()) {
        const qsizetype not_run = lines_.size() - position_;
        if (options_.json) {
            QJsonObject summary;
            summary[u"op"] = QStringLiteral("batch");
            summary[u"lines"] = lines_.size();
            summary[u"completed"] = completed_;
            summary[u"failed"] = failed_;
            summary[u"not_run"] = not_run;
            summary[u"result"] = first_failure_.value_or(CardOutcome {}).word();
            summary[u"stopped"] = stop_signal_ != 0;
            summary[u"exit_status"] = status;
            summary[u"elapsed_ms"] = clock_.elapsed();
            print(summary);
        }
        say(tr("일괄 처리: %2줄 중 %1줄 완료, %3줄 실패, %4줄 실행 안 함")
                .arg(completed_)
                .arg(lines_.size())
                .arg(failed_)
                .arg(not_run));
    }
    emit done(status);
}

void CliRun::say(const QString& text) const
{
    print(stderr, text);
}
