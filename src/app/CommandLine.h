#pragma once

#include "Language.h"
#include "PortMap.h"

#include <QString>
#include <QStringList>
#include <optional>

// The program's options: --map COMn=PATH (any number of times) and --port-dir FOLDER say which
// device each port number opens; --list-ports prints that numbering; --trace FILE names the file
// the wire trace is appended to; --demo runs a simulated reader as COM1; --language ko|en overrides
// the desktop's language; --help and --version.
// Nothing else is read.
struct CommandLine {
    enum class Action { run, list_ports, help, version, error };

    Action action = Action::run;
    PortMap port_map;
    QString trace_file; // empty: no trace
    bool demo = false; // a simulated reader as COM1, its folder as the ports (main starts it)
    std::optional<Language> language; // empty: the desktop's
    QString text; // the help or version text, or the one-line error

    // The arguments as main receives them, program name first.
    static CommandLine parse(const QStringList& arguments);
};
