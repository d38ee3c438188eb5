#pragma once

#include "CommResult.h"

#include <QCoreApplication>
#include <QString>

class PortPanel;
class SerialControl;

// Choosing, opening and searching serial ports: the click of an option Optcom1 ... Optcom8
// (switch_port), the click of list_port, the change of txt_port, the default opening of COM1 and
// the search of ports 1 ... 16, and what the operator is told when the open port's device goes
// away and comes back. Each runs its steps in a fixed order that the window's nested
// notifications rely on: a tick or a text set from here may run another of these operations before
// it returns.
class PortOperations {
    Q_DECLARE_TR_FUNCTIONS(PortOperations)

public:
    PortOperations(PortPanel& panel, SerialControl& line);

    // The messages novard-cli gives too are ReaderMessages'.
    static QString not_found_message(); // "존제 하지 않는 통신포트 입니다."
    // "COM1 자리에 다른 장치가 연결되었습니다 — 리더를 다시 연결하세요"
    static QString other_device_message(int port);

    // COM1 with the line settings, DTR and RTS on; nothing when a port is open. A failure is
    // passed on.
    CommResult open_default_port();
    // Port n (1 ... 8). Nothing happens when n is the current port, unless its device was lost:
    // then choosing it again tries it again, and it stays lost if it does not open. A port that
    // does not open is reported in a box and COM1 is opened instead; only a failure of that
    // fallback is passed on.
    CommResult switch_port(int port);
    void list_port_click();
    CommResult txt_port_change();

    // Whether the port opens; leaves it closed either way.
    static bool probe_port(SerialControl& line, int port);
    // Takes the system's numbering of its devices anew, then probes.
    void search_ports();

    // The port whose device is a simulated reader (novard-demo --demo's), 0 for none: its loss
    // means that the simulator stopped, not that a reader was pulled out.
    void set_simulated_port(int port) { simulated_port_ = port; }

    // OnComm: tells the operator in Label that the open port's device went away, that another
    // device took its node, or that it came back (and where).
    void line_event();

    // Where a failure that nobody else handles ends: the default port could not be opened. Shown
    // in Label, so that start-up and a failed switch never bring a second box.
    void report(const CommResult& result);

private:
    PortPanel& panel_;
    SerialControl& line_;
    int simulated_port_ = 0;
};
