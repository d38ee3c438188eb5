#include "CliRun.h"

#include "ByteDisplay.h"
#include "CardText.h"
#include "ReaderMessages.h"
#include "ReaderOpening.h"
#include "SerialControl.h"
#include "SystemReason.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <unistd.h>

namespace {

using Result = CardOutcome::Result;

// False when the line could not be written whole.
bool print(FILE* stream, const QByteArray& line)
{
    return std::fputs((line + '\n').constData(), stream) >= 0 && std::fflush(stream) == 0;
}

QByteArray json(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// A pipe or socket whose reader went away: the next write would fail.
bool output_gone()
{
    pollfd out { STDOUT_FILENO, POLLOUT, 0 };
    return ::poll(&out, 1, 0) == 1 && (out.revents & POLLERR) != 0;
}

} // namespace

CliRun::CliRun(const CliOptions& options, SerialControl& line, std::optional<BatchLine> single,
    BatchInput* input)
    : options_(options)
    , line_(line)
    , session_(line, options.ack_timeout_ms, options.card_timeout_ms, options.card_encoding)
    , single_(std::move(single))
    , input_(input)
    , batch_(options.card_encoding)
    , terminal_(is_batch() && ::isatty(STDERR_FILENO) == 1)
{
    connect(&session_, &CardSession::message, this, [this](const QString& text) {
        if (!terminal_ || !session_.busy())
            say(text);
        else if (cards_ > 0)
            say(tr("카드 %2장 중 %1번째: %3").arg(card_number_).arg(cards_).arg(text));
        else
            say(tr("%1번째 카드: %2").arg(card_number_).arg(text));
    });
    connect(&session_, &CardSession::finished, this, &CliRun::finished);
    if (options_.verbose) {
        connect(&session_, &CardSession::sent, this,
            [this](const QString& echo) { say(tr("보냄: %1").arg(echo)); });
        connect(&session_, &CardSession::stray, this,
            [this](const QByteArray& bytes) { say(tr("무시함: %1").arg(display_text(bytes))); });
    }
    if (input_) {
        connect(input_, &BatchInput::ready, this, [this] {
            if (std::exchange(waiting_, false))
                next();
        });
    }
}

void CliRun::begin()
{
    clock_.start();
    // The cards of a file on a terminal are counted first, in a pass that keeps no line.
    if (terminal_ && input_->regular_file() && options_.batch_file != "-") {
        BatchInput count(options_.input_encoding);
        BatchFile rules(options_.card_encoding);
        if (count.open(options_.batch_file)) {
            while (const auto raw = count.next()) {
                const auto entry = rules.take(raw->number, raw->text);
                cards_ += raw->fault.isEmpty() && entry && entry->fault.isEmpty();
            }
        }
    }
    next();
}

void CliRun::stop(int signal_number)
{
    const bool again = stop_signal_ != 0;
    stop_signal_ = signal_number;
    if (is_batch() && !again && (session_.busy() || verifying_)) {
        say(tr("novard-cli: 진행 중인 카드를 마치고 멈춥니다 (신호를 한 번 더 보내면 바로 "
               "멈춥니다)"));
        return;
    }
    // The card whose frame went out is told, through finished(), before the run ends.
    if (session_.busy())
        session_.abandon();
    else if (verifying_)
        finished({ Result::interrupted, CardSession::interrupted_message(CardCommand::read), {}, 0,
            {} });
    end();
}

bool CliRun::stopping() const
{
    return stop_signal_ != 0 || halted_ || !output_lost_.isEmpty();
}

std::optional<BatchLine> CliRun::take_line(bool read_more)
{
    if (!input_)
        return std::exchange(single_, std::nullopt);
    while (const auto raw = input_->next(read_more)) {
        if (!raw->fault.isEmpty())
            return BatchLine { raw->number, {}, {}, raw->fault };
        if (auto entry = batch_.take(raw->number, raw->text))
            return entry;
        if (!batch_.fault().isEmpty())
            return std::nullopt;
    }
    waiting_ = read_more && !input_->at_end();
    return std::nullopt;
}

void CliRun::next()
{
    if (is_batch() && output_lost_.isEmpty() && output_gone())
        output_lost_ = system_reason(EPIPE);
    if (stopping()) {
        end();
        return;
    }
    const auto line = take_line();
    if (!line) {
        if (!waiting_)
            end();
        return;
    }
    current_ = *line;
    ++lines_;
    if (!current_.fault.isEmpty()) {
        say(is_batch() ? tr("%1번째 줄: %2").arg(current_.number).arg(current_.fault)
                       : current_.fault);
        finished({ Result::bad_input, current_.fault, {}, 0, {} });
        return;
    }
    if (!port_opened_ && !open_port())
        return;
    ++card_number_;
    session_.start(*current_.command, current_.fields);
}

// Opened for the first card that can be run: bad input is told without touching the port.
bool CliRun::open_port()
{
    line_.set_comm_port(options_.port);
    if (const CommResult opened = open_for_reader(line_); !opened) {
        const CardOutcome outcome { Result::port_error,
            ReaderMessages::open_failure_message(options_.port, opened), {}, 0, {} };
        say(outcome.message);
        first_failure_ = outcome;
        if (is_batch()) {
            // The card was never tried.
            --lines_;
            untried_ = 1;
        } else {
            report(current_, outcome);
        }
        end();
        return false;
    }
    port_opened_ = true;
    return true;
}

CardOutcome CliRun::verified(const CardOutcome& written, const CardOutcome& read) const
{
    CardOutcome outcome = read;
    outcome.elapsed_ms += written.elapsed_ms;
    outcome.written = CardSession::written_block(current_.fields, options_.card_encoding);
    if (read.result != Result::completed) {
        outcome.result = Result::verify_not_made;
        outcome.message = tr("블록은 썼으나 --verify가 읽어 보지 못했습니다: %1").arg(read.message);
        say(outcome.message);
        return outcome;
    }
    if (read.data != outcome.written) {
        outcome.result = Result::verify_failed;
        outcome.message = tr("읽어 본 블록이 쓴 블록과 다릅니다: 쓴 것 %1, 읽은 것 %2")
                              .arg(QString::fromLatin1(outcome.written.toHex(' ')),
                                  QString::fromLatin1(read.data.toHex(' ')));
        say(outcome.message);
    } else {
        outcome.message = written.message;
    }
    return outcome;
}

void CliRun::finished(const CardOutcome& done)
{
    CardOutcome outcome = done;
    if (verifying_) {
        outcome = verified(*std::exchange(verifying_, std::nullopt), done);
    } else if (options_.verify && done.result == Result::completed
        && current_.command != CardCommand::read) {
        // Read back with the same key, as the next exchange; the card is still on the reader.
        verifying_ = done;
        QTimer::singleShot(0, this, [this] {
            if (!ended_)
                session_.start(CardCommand::read, current_.fields);
        });
        return;
    }
    report(current_, outcome);
    counts_.count(outcome);
    if (outcome.result != Result::completed) {
        if (!first_failure_)
            first_failure_ = outcome;
        // Once the port is lost no card can be tried: those left are not run.
        halted_ = options_.stop_on_error || outcome.result == Result::port_error;
    }
    // Not from inside the session's handling of the answer: the bytes after its end are noise.
    QTimer::singleShot(0, this, &CliRun::next);
}

void CliRun::write_out(const QByteArray& line)
{
    if (output_lost_.isEmpty() && !print(stdout, line))
        output_lost_ = system_reason(errno);
}

void CliRun::report(const BatchLine& line, const CardOutcome& outcome)
{
    const bool read = line.command == CardCommand::read;
    const std::optional<QString> text = outcome.text(options_.card_encoding);
    if (!options_.json) {
        // The text only where the display forms do not already show it.
        QStringList row { read ? display_text(outcome.data) : QString() };
        const QString shown = text
            ? *text
            : QStringLiteral("none (%1)").arg(outcome.no_text_reason(options_.card_encoding));
        if (read && shown != row[0])
            row += QStringLiteral("text: ") + shown;
        if (is_batch())
            write_out((QStringList { QString::number(line.number),
                           line.command ? command_word(*line.command) : QString(),
                           echo_form(trim_spaces(line.fields.address)), outcome.word() }
                + row)
                          .join(u'\t')
                          .toUtf8());
        else if (read && outcome.result == Result::completed)
            write_out(row.join(u'\n').toUtf8());
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
    if (read || !outcome.written.isEmpty()) {
        object[u"data"] = display_text(outcome.data);
        object[u"data_hex"] = QString::fromLatin1(outcome.data.toHex());
        object[u"text"] = text ? QJsonValue(*text) : QJsonValue();
    }
    if (!outcome.written.isEmpty())
        object[u"written_hex"] = QString::fromLatin1(outcome.written.toHex());
    object[u"elapsed_ms"] = outcome.elapsed_ms;
    write_out(json(object));
}

void CliRun::end()
{
    if (ended_)
        return;
    ended_ = true;
    // A normal end closes the port as the window does, so that the trace ends with its close.
    line_.close_port();
    if (is_batch() && !batch_.fault().isEmpty()) {
        say(QStringLiteral("novard-cli: %1: %2")
                .arg(quoted(QFile::decodeName(options_.batch_file)), batch_.fault()));
        emit done(CardOutcome::status_of(Result::bad_input));
        return;
    }
    if (is_batch() && !batch_.has_header() && lines_ == 0 && output_lost_.isEmpty()
        && stop_signal_ == 0) {
        say(tr("novard-cli: %1: 머리글 줄이 없습니다 (op,address,key,data)")
                .arg(quoted(QFile::decodeName(options_.batch_file))));
        emit done(CardOutcome::status_of(Result::bad_input));
        return;
    }
    // A stopped run ends as a shell tells a stop by a signal.
    const int status = stop_signal_ != 0 ? 128 + stop_signal_
        : !output_lost_.isEmpty()        ? CliOptions::output_lost_status
                                         : first_failure_.value_or(CardOutcome {}).exit_status();
    if (is_batch()) {
        // What was never tried: for a file, the rest of it; from a pipe, what has come.
        int not_run = untried_;
        while (take_line(input_->regular_file()))
            ++not_run;
        waiting_ = false;
        if (!output_lost_.isEmpty())
            say(tr("novard-cli: 출력을 쓸 수 없습니다: %1; 새 카드를 시작하지 않습니다")
                    .arg(output_lost_));
        if (options_.json) {
            QJsonObject summary;
            summary[u"op"] = QStringLiteral("batch");
            counts_.put(summary, lines_ + not_run, not_run);
            summary[u"result"] = first_failure_.value_or(CardOutcome {}).word();
            summary[u"stopped"] = stop_signal_ != 0;
            summary[u"exit_status"] = status;
            summary[u"elapsed_ms"] = clock_.elapsed();
            // Where it can still be read.
            if (output_lost_.isEmpty())
                write_out(json(summary));
            else
                print(stderr, json(summary));
        }
        say(counts_.text(lines_ + not_run, not_run));
    }
    emit done(status);
}

void CliRun::say(const QString& text) const
{
    print(stderr, text.toUtf8());
}
