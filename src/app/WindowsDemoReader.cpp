#include "DemoReader.h"
#include "SimulatedLine.h"

namespace {

// Windows has no pseudo-terminals: the reader runs inside the program, and starts with its line.
class WindowsDemoReader final : public DemoReader {
public:
    bool wait_ready(int) override { return true; }
    QString error() const override { return {}; }
    // A program without a console has nowhere to say it, and the port option says it already.
    QString where() const override { return {}; }
    std::unique_ptr<SerialControl> make_line(PortMap) const override
    {
        return std::make_unique<SimulatedLine>();
    }
};

} // namespace

std::unique_ptr<DemoReader> DemoReader::start()
{
    return std::make_unique<WindowsDemoReader>();
}
