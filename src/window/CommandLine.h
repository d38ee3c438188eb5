#pragma once

#include "PortMap.h"

#include <QString>
#include <QStringList>

// The program's options: --map COMn=PATH (any number of times), --port-dir FOLDER, --help and
// --version say which device each port number opens; --trace FILE names the file the wire trace is
// appended to. Nothing else is read.
struct CommandLine {
    enum class Action { run, help, version, error };

    Action action = Action::run;
    PortMap port_map;
    QString trace_file; // empty: no trace
    QString text; // the help or version text, or the one-line error

    // The arguments as main receives them, program name first.
    static CommandLine parse(const QStringList& arguments);
};
