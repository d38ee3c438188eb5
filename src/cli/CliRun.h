#pragma once

// novard-cli: the card operations of the window from a shell (library novard_cli, QtCore and
// QSerialPort only).
//
// main reads the options (CliOptions, on the shared runtime's table) and gives CliRun the single
// command's line, or the batch file as it is read (BatchInput: a line at a time, decoded;
// BatchFile: the CSV rules), on the QSerialPort line. CliRun opens the port as the window opens it
// when the first card can be run, and hands each line to CardSession, which writes the codec's
// frame and decodes the reader's answer byte by byte through the codec's progress table, so that
// the window and the command line cannot disagree about a frame or a reply. The window's messages
// and the run's own lines go to standard error as they come,
// in the chosen language; each card's outcome goes to standard output, as text or as one
// JSON object a line. Output that nobody reads any more starts no new card.

#include "BatchCounts.h"
#include "BatchFile.h"
#include "BatchInput.h"
#include "CardSession.h"
#include "CliOptions.h"
#include "CliReport.h"

#include <QElapsedTimer>
#include <QObject>
#include <optional>

class SerialControl;

class CliRun final : public QObject {
    Q_OBJECT

public:
    // A single command comes as one line numbered 0, and has no summary and no card numbers; a
    // batch comes as its input, opened.
    CliRun(const CliOptions& options, SerialControl& line, std::optional<BatchLine> single,
        BatchInput* input = nullptr);

    // Runs the lines in turn; done() gives the exit status.
    void begin();
    // A stop signal: a single command ends at once; a batch after the card in progress, or at
    // once on a second signal.
    void stop(int signal_number);

signals:
    void done(int exit_status);

private:
    bool is_batch() const { return input_ != nullptr; }
    bool stopping() const;
    void next();
    // The next line to run; nothing when there is none yet (waiting_) or no more.
    std::optional<BatchLine> take_line(bool read_more = true);
    bool open_port();
    void finished(const CardOutcome& outcome);
    // The read back of --verify ended: the card's outcome.
    CardOutcome verified(const CardOutcome& written, const CardOutcome& read) const;
    void end();
    // The batch file's fault or missing header, told: the run ends as bad input.
    bool file_refused() const;
    int exit_status() const;
    // What was never tried: for a file, the rest of it; from a pipe, what has come.
    int count_not_run();

    const CliOptions& options_;
    SerialControl& line_;
    CliReport report_;
    CardSession session_;
    std::optional<BatchLine> single_;
    BatchInput* input_;
    BatchFile batch_;
    BatchLine current_;
    int lines_ = 0; // lines taken that are no header
    int untried_ = 0; // the line whose port did not open
    int card_number_ = 0; // of the card in progress, from 1
    BatchCounts counts_;
    std::optional<CardOutcome> first_failure_; // of the lines run, the first that did not complete
    int stop_signal_ = 0;
    bool halted_ = false; // --stop-on-error met a card that did not complete, or the port went
    bool waiting_ = false; // for the input's next bytes
    std::optional<CardOutcome> verifying_; // the issue or modify whose block is being read back
    // The port opens for the first card that can be run; once ended, nothing more is started.
    enum class Stage { port_closed, port_open, ended };
    Stage stage_ = Stage::port_closed;
    QElapsedTimer clock_;
};
