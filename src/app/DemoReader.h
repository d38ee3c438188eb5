#pragma once

#include "PortMap.h"
#include "SerialControl.h"

#include <QString>
#include <memory>

// The simulated card reader of --demo, as COM1, so that the tool runs with no hardware. Each
// platform has its own, chosen by the build: where there are pseudo-terminals, the simulated reader
// program on one (PosixDemoReader); elsewhere the reader's code inside the program, behind the
// serial contract (SimulatedLine). Destroying it stops the reader and clears up after it, so it
// must outlive the line it made.
class DemoReader {
public:
    virtual ~DemoReader() = default;

    // This platform's reader, starting: the tool goes on with its own start meanwhile, and waits
    // for it only when it needs its device.
    static std::unique_ptr<DemoReader> start();

    // Waits at most timeout_ms for the reader to be ready; false, with the reason in error(), when
    // it did not start, stopped, or leads to no device.
    virtual bool wait_ready(int timeout_ms = 5000) = 0;
    // Empty when the reader is ready (or still starting); otherwise why not, in one line.
    virtual QString error() const = 0;
    // Where the reader is, in one line for the operator; empty when there is nothing to tell.
    virtual QString where() const = 0;
    // The window's serial control, with the reader as COM1; map holds the program's port options.
    virtual std::unique_ptr<SerialControl> make_line(PortMap map) const = 0;
};
