#pragma once

// novard-cli: the card operations of the window from a shell (library novard_cli, QtCore and
// QSerialPort only).
//
// main reads the options (CliOptions) and, for a batch, the CSV file (BatchFile), then gives the
// lines to CliRun on the QSerialPort line. CliRun opens the port as the window opens it and hands
// each line to CardSession, which writes the codec's frame and decodes the reader's answer byte by
// byte through the codec's progress table, so that the window and the command line cannot disagree
// about a frame or a reply. The window's messages, and the run's own lines, go to standard error as
// they come, in the chosen language; each card's outcome goes to standard output, as text or as one
// JSON object a line.

#include "BatchFile.h"
#include "CardSession.h"
#include "CliOptions.h"

#include <QElapsedTimer>
#include <QObject>
#include <optional>

class SerialControl;

class CliRun final : public QObject {
    Q_OBJECT

public:
    // A single command comes as one line numbered 0, and has no summary and no card numbers.
    CliRun(const CliOptions& options, SerialControl& line, QList<BatchLine> lines);

    // Opens the port and runs the lines in turn; done() gives the exit status.
    void begin();
    // A stop signal: a single command ends at once; a batch after the card in progress, or at
    // once on a second signal.
    void stop(int signal_number);

signals:
    void done(int exit_status);

private:
    bool is_batch() const { return options_.command == CliOptions::Command::batch; }
    void next();
    void finished(const CardOutcome& outcome);
    void report(const BatchLine& line, const CardOutcome& outcome);
    void end();
    void say(const QString& text) const;

    const CliOptions& options_;
    SerialControl& line_;
    CardSession session_;
    QList<BatchLine> lines_;
    qsizetype position_ = 0; // the next line to run
    int cards_ = 0; // lines that can be run
    int card_number_ = 0; // of the card in progress, from 1
    int completed_ = 0;
    int failed_ = 0;
    std::optional<CardOutcome> first_failure_; // of the lines run, the first that did not complete
    int stop_signal_ = 0;
    bool terminal_ = false; // a batch's messages name their card
    bool halted_ = false; // --stop-on-error met a card that did not complete
    bool ended_ = false;
    QElapsedTimer clock_;
};
