#pragma once

#include "ProgramOptions.h"

#include <QByteArray>
#include <QString>

// novard-reader-sim's options, read through the table that novard-demo and novard-cli read theirs
// by, with the same rules, messages and --help layout: its own (--link or PATH, --key, --delay,
// --manual, --verbose, --forgetful) with --help and --version. It takes none of the port, trace,
// language and encoding options; ProgramOptions brings only the answers to errors, help and
// version.
struct SimOptions : ProgramOptions {
    QString link_path; // empty: the device's own path is printed
    QByteArray key; // Key A of every sector
    int delay_ms = 700;
    bool manual = false;
    bool verbose = false;
    bool forgetful = false;

    static ProgramHelp help();
    // The arguments as main receives them, program name first.
    static SimOptions parse(const QByteArrayList& arguments);
};
