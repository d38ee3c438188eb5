#pragma once

#include "ProgramOptions.h"

// novard-demo's options: the shared ones (the port options, the trace, the language, the card's
// text encoding), --list-ports that prints the numbering, and --demo that runs a simulated reader
// as COM1. Nothing else is read.
struct DemoOptions : ProgramOptions {
    bool list_ports = false;
    bool demo = false; // a simulated reader as COM1, its folder as the ports (main starts it)

    static ProgramHelp help();
    // The arguments as main receives them, program name first.
    static DemoOptions parse(const QByteArrayList& arguments);
};
