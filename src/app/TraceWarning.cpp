#include "TraceWarning.h"

#include "MainWindow.h"
#include "WireTrace.h"

void show_trace_losses(WireTrace& trace, MainWindow& window)
{
    QObject::connect(&trace, &WireTrace::failed, &window,
        [&window](const QString& reason) { window.set_warning(WireTrace::failure_label(reason)); });
    QObject::connect(
        &trace, &WireTrace::resumed, &window, [&window] { window.set_warning(QString()); });
}
