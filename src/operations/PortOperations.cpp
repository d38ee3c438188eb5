#include "PortOperations.h"

#include "CardLimits.h"
#include "PortPanel.h"
#include "ReaderMessages.h"
#include "ReaderOpening.h"
#include "SerialControl.h"

namespace {

constexpr int first_option = 1;

QString port_on_text(int port)
{
    return SerialControl::port_name(port) + QStringLiteral(" PORT ON");
}

} // namespace

PortOperations::PortOperations(PortPanel& panel, SerialControl& line)
    : panel_(panel)
    , line_(line)
{
}

QString PortOperations::not_found_message()
{
    return tr("존제 하지 않는 통신포트 입니다.");
}

QString PortOperations::other_device_message(int port)
{
    return tr("%1 자리에 다른 장치가 연결되었습니다 — 리더를 다시 연결하십시오")
        .arg(SerialControl::port_name(port));
}

CommResult PortOperations::open_default_port()
{
    if (line_.port_open())
        return CommResult::success();
    // CommPort goes first: the tick runs Optcom1's click, which then finds port 1 chosen already.
    line_.set_comm_port(first_option);
    panel_.tick_option(first_option);
    if (CommResult result = open_for_reader(line_); !result)
        return result;
    panel_.tick_dtr();
    panel_.tick_rts();
    panel_.set_label(line_.settings());
    return CommResult::success();
}

CommResult PortOperations::switch_port(int port)
{
    // A pulled reader plugged back is opened by choosing its port again; otherwise there would be
    // no way back to it but a search or a detour through another port.
    if (line_.comm_port() == port && !line_.device_lost())
        return CommResult::success();

    line_.close_port();
    line_.set_comm_port(port);
    panel_.set_label(port_on_text(port));
    panel_.tick_option(port);
    const CommResult result = line_.open_port();
    if (result) {
        // The device of a port with an identity may be at another node by now.
        panel_.show_port_device(port, line_.device_for(port));
        return result;
    }

    panel_.show_message(not_found_message(), ReaderMessages::operator_detail(result));
    return open_default_port();
}

void PortOperations::list_port_click()
{
    const QString text = panel_.current_port_list_text();
    // txt_port holding that name already would see no change, and a lost port would stay shut.
    if (line_.device_lost() && text == panel_.port_text())
        report(txt_port_change());
    else
        panel_.set_port_text(text);
}

CommResult PortOperations::txt_port_change()
{
    const QString text = panel_.port_text();
    for (int port = first_option; port <= option_ports; ++port) {
        if (text == SerialControl::port_name(port))
            return switch_port(port);
    }
    return CommResult::success();
}

bool PortOperations::probe_port(SerialControl& line, int port)
{
    line.set_comm_port(port);
    const bool opened = line.open_port().ok();
    line.close_port();
    return opened;
}

void PortOperations::search_ports()
{
    // The search is where an operator looks for a newly plugged reader.
    line_.renumber_ports();
    panel_.clear_port_list();
    panel_.set_port_text(QString());
    for (int port = 1; port <= last_port; ++port) {
        if (probe_port(line_, port))
            panel_.append_port_list(SerialControl::port_name(port));
    }
    for (int port = 1; port <= last_port; ++port)
        panel_.show_port_device(port, line_.device_for(port));
}

void PortOperations::line_event()
{
    const int port = line_.comm_port();
    switch (line_.comm_event()) {
    case SerialControl::CommEvent::device_lost:
        panel_.set_label(ReaderMessages::lost_message(port, port == simulated_port_));
        break;
    case SerialControl::CommEvent::other_device:
        panel_.set_label(other_device_message(port));
        break;
    case SerialControl::CommEvent::device_back:
        panel_.set_label(port_on_text(port));
        // It may have come back at another node.
        panel_.show_port_device(port, line_.device_for(port));
        break;
    default:
        break;
    }
}

void PortOperations::report(const CommResult& result)
{
    if (result)
        return;
    panel_.set_label_status(ReaderMessages::open_failure_status(line_.comm_port(), result));
}
