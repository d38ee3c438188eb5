#pragma once

#include "PortMap.h"

#include <QString>
#include <QStringList>

// The program's options: --map COMn=PATH (any number of times), --port-dir FOLDER, --demo, --help
// and --version. They only say which device each port number opens; nothing else is read.
struct CommandLine {
    enum class Action { run, help, version, error };

    Action action = Action::run;
    PortMap port_map;
    bool demo = false; // a simulated reader as COM1, its folder as the ports (main starts it)
    QString text; // the help or version text, or the one-line error

    // The arguments as main receives them, program name first.
    static CommandLine parse(const QStringList& arguments);
};
