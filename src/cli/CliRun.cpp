#include "CliRun.h"

#include "CardText.h"
#include "ReaderMessages.h"
#include "ReaderOpening.h"
#include "SerialControl.h"

#include <QTimer>

namespace {

using Result = CardOutcome::Result;

} // namespace

CliRun::CliRun(const CliOptions& options, SerialControl& line, std::optional<BatchLine> single,
    BatchInput* input)
    : options_(options)
    , line_(line)
    , report_(options, input != nullptr)
    , session_(line, options.ack_timeout_ms, options.card_timeout_ms, options.card_encoding)
    , single_(std::move(single))
    , input_(input)
    , batch_(options.card_encoding)
{
    connect(&session_, &CardSession::message, this, [this](const QString& text) {
        report_.card_message(text, session_.busy() ? card_number_ : 0);
    });
    connect(&session_, &CardSession::finished, this, &CliRun::finished);
    if (options_.verbose) {
        connect(&session_, &CardSession::sent, this,
            [this](const QString& echo) { report_.sent(echo); });
        connect(&session_, &CardSession::stray, this,
            [this](const QByteArray& bytes) { report_.stray(bytes); });
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
    // The cards of a file on a terminal are counted first.
    if (report_.terminal() && input_->regular_file())
        report_.count_cards();
    next();
}

void CliRun::stop(int signal_number)
{
    const bool again = stop_signal_ != 0;
    stop_signal_ = signal_number;
    if (is_batch() && !again && (session_.busy() || verifying_)) {
        report_.say(tr("novard-cli: 진행 중인 카드를 마치고 멈춥니다 (신호를 한 번 더 보내면 바로 "
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
    return stop_signal_ != 0 || halted_ || report_.output_lost();
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
    report_.check_output();
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
        report_.say(is_batch() ? tr("%1번째 줄: %2").arg(current_.number).arg(current_.fault)
                               : current_.fault);
        finished({ Result::bad_input, current_.fault, {}, 0, {} });
        return;
    }
    if (stage_ == Stage::port_closed && !open_port())
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
        report_.say(outcome.message);
        first_failure_ = outcome;
        if (is_batch()) {
            // The card was never tried.
            --lines_;
            untried_ = 1;
        } else {
            report_.card(current_, outcome);
        }
        end();
        return false;
    }
    stage_ = Stage::port_open;
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
        report_.say(outcome.message);
        return outcome;
    }
    if (read.data != outcome.written) {
        outcome.result = Result::verify_failed;
        outcome.message = tr("읽어 본 블록이 쓴 블록과 다릅니다: 쓴 것 %1, 읽은 것 %2")
                              .arg(QString::fromLatin1(outcome.written.toHex(' ')),
                                  QString::fromLatin1(read.data.toHex(' ')));
        report_.say(outcome.message);
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
            if (stage_ != Stage::ended)
                session_.start(CardCommand::read, current_.fields);
        });
        return;
    }
    report_.card(current_, outcome);
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

void CliRun::end()
{
    if (std::exchange(stage_, Stage::ended) == Stage::ended)
        return;
    // A normal end closes the port as the window does, so that the trace ends with its close.
    line_.close_port();
    if (file_refused()) {
        emit done(CardOutcome::status_of(Result::bad_input));
        return;
    }
    const int status = exit_status();
    if (is_batch()) {
        const int not_run = count_not_run();
        report_.summary(
            { counts_, lines_ + not_run, not_run, first_failure_.value_or(CardOutcome {}).word(),
                stop_signal_ != 0, status, clock_.elapsed() });
    }
    emit done(status);
}

bool CliRun::file_refused() const
{
    if (!is_batch())
        return false;
    if (!batch_.fault().isEmpty()) {
        report_.file_fault(batch_.fault());
        return true;
    }
    if (!batch_.has_header() && lines_ == 0 && !report_.output_lost() && stop_signal_ == 0) {
        report_.no_header();
        return true;
    }
    return false;
}

int CliRun::exit_status() const
{
    // A stopped run ends as a shell tells a stop by a signal.
    if (stop_signal_ != 0)
        return 128 + stop_signal_;
    if (report_.output_lost())
        return CliOptions::output_lost_status;
    return first_failure_.value_or(CardOutcome {}).exit_status();
}

int CliRun::count_not_run()
{
    int not_run = untried_;
    while (take_line(input_->regular_file()))
        ++not_run;
    waiting_ = false;
    return not_run;
}
