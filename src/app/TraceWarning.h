#pragma once

class MainWindow;
class WireTrace;

// The operator is told in Label while the trace is losing lines, whatever else Label is given
// meanwhile (an echo, a port's caption), and Label is given back once writing works again.
void show_trace_losses(WireTrace& trace, MainWindow& window);
