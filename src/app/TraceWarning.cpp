#include "TraceWarning.h"

#include "MainWindow.h"
#include "SerialControl.h"
#include "WireTrace.h"

void trace_window(WireTrace& trace, SerialControl& line, MainWindow& window)
{
    line.set_observer(&trace);
    QObject::connect(&trace, &WireTrace::failed, &window,
        [&window, &trace] { window.set_warning(WireTrace::failure_label(trace.error())); });
    QObject::connect(
        &trace, &WireTrace::resumed, &window, [&window] { window.set_warning(QString()); });
}
