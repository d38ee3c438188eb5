#include "SerialControl.h"

#include <algorithm>
#include <utility>

CommResult SerialControl::set_settings(const QString& text)
{
    const auto parsed = LineSettings::parse(text);
    if (!parsed)
        return CommResult::failure({}, tr("잘못된 통신 설정 \"%1\"").arg(text));
    const LineSettings previous = std::exchange(line_settings_, *parsed);
    if (port_open()) {
        // Settings the open device refuses are not in force, so they are not kept either.
        if (CommResult applied = apply_line_settings(); !applied) {
            line_settings_ = previous;
            (void)apply_line_settings();
            return applied;
        }
    }
    settings_text_ = text;
    return CommResult::success();
}

void SerialControl::set_dtr_enable(bool on)
{
    dtr_enable_ = on;
    if (port_open())
        apply_modem_lines();
}

void SerialControl::set_rts_enable(bool on)
{
    rts_enable_ = on;
    if (port_open())
        apply_modem_lines();
}

void SerialControl::raise_comm_event(CommEvent event)
{
    comm_event_ = event;
    emit OnComm();
}

void SerialControl::announce_received()
{
    while (rthreshold() > 0 && bytes_waiting() >= rthreshold()) {
        const qsizetype before = bytes_waiting();
        raise_comm_event(CommEvent::receive);
        if (bytes_waiting() >= before)
            break;
    }
}

qsizetype SerialControl::batch_size(qsizetype waiting) const
{
    if (input_len() > 0)
        waiting = std::min<qsizetype>(waiting, input_len());
    return std::min<qsizetype>(waiting, max_batch_bytes);
}
