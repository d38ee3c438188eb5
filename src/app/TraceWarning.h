#pragma once

class MainWindow;
class SerialControl;
class WireTrace;

// Traces the window's line: every byte and port event goes to the trace, and the operator is told
// in Label while the trace is losing entries, whatever else Label is given meanwhile (an echo, a
// port's caption); Label is given back once writing works again. One call, so that a program
// cannot trace the line without telling the operator of the entries it loses.
void trace_window(WireTrace& trace, SerialControl& line, MainWindow& window);
