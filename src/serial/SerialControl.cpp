#include "SerialControl.h"

CommResult SerialControl::set_settings(const QString& text)
{
    const auto parsed = LineSettings::parse(text);
    if (!parsed)
        return CommResult::failure({}, QStringLiteral("Invalid line settings \"%1\"").arg(text));
    settings_text_ = text;
    line_settings_ = *parsed;
    return port_open() ? apply_line_settings() : CommResult::success();
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

void SerialControl::raise_comm_event(int event)
{
    comm_event_ = event;
    emit OnComm();
}
