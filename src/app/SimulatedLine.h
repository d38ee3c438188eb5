#pragma once

#include "AnswerPace.h"
#include "Reader.h"
#include "SerialControl.h"

#include <QTimer>
#include <chrono>

// The simulated card reader inside the program, as the serial control's only port, COM1: where
// there are no pseudo-terminals, --demo runs the reader's own code behind the serial contract.
// What is written reaches the reader at once; its answers come back at the line's pace and through
// its buffer (AnswerPace), and the card is presented card_delay after ACK CR, as the simulated
// reader program does. Any other port does not exist. Like a real reader, it lives on while the
// port is closed: what it says then is lost, and a reopened port hears it again.
class SimulatedLine final : public SerialControl {
    Q_OBJECT

public:
    // As long as the simulated reader program takes by default.
    static constexpr std::chrono::milliseconds default_card_delay { 700 };

    explicit SimulatedLine(
        std::chrono::milliseconds card_delay = default_card_delay, QObject* parent = nullptr);

    bool port_open() const override { return open_; }
    CommResult open_port() override;
    void close_port() override;
    CommResult output(const QByteArray& bytes) override;

protected:
    qsizetype bytes_waiting() const override { return received_.size(); }
    QByteArray take_bytes(qsizetype count) override;

private:
    void arrive(const QByteArray& bytes);

    reader_sim::Reader reader_;
    reader_sim::AnswerPace pace_;
    QTimer card_;
    bool open_ = false;
    QByteArray received_;
};
