#pragma once

#include "Language.h"
#include "PortMap.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <optional>

// The program's options: --map COMn=PATH (any number of times, once per port) and --port-dir
// FOLDER say which device each port number opens; --list-ports prints that numbering; --trace FILE
// names the file the wire trace is appended to and --trace-max SIZE bounds it; --demo runs a
// simulated reader as COM1; --language ko|en overrides the desktop's language; --help and
// --version. Nothing else is read.
struct CommandLine {
    enum class Action { run, list_ports, help, version, error };

    static constexpr qint64 default_trace_max = qint64(64) * 1024 * 1024;

    Action action = Action::run;
    PortMap port_map;
    // The path's bytes as given: a file name need not be UTF-8. Empty: no trace.
    QByteArray trace_file;
    qint64 trace_max = default_trace_max; // bytes; 0: no bound
    bool demo = false; // a simulated reader as COM1, its folder as the ports (main starts it)
    std::optional<Language> language; // empty: the desktop's
    QString text; // the help or version text, or the one-line error

    // The arguments as main receives them, program name first.
    static CommandLine parse(const QByteArrayList& arguments);

    // What an error message quotes of a text the user gave: a long one loses its middle, so that
    // a mistyped 100 kB argument is still a one-line message.
    static QString quoted(QStringView text);
};
