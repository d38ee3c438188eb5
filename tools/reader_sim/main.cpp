// novard-reader-sim: a contactless card reader/writer on a pseudo-terminal, so that the tool can
// be run and tested with no hardware. The card model and the answers are described in the help
// text below; Reader, Card and Request hold them.

#include "Card.h"
#include "LineLoop.h"
#include "PtyDevice.h"
#include "Reader.h"
#include "SimOptions.h"
#include "StandardStreams.h"
#include "StartUp.h"

#include <QCoreApplication>
#include <cstdio>

using namespace reader_sim;

namespace {

constexpr int exit_no_device = 1;

void print_line(const QString& text)
{
    std::fprintf(stderr, "novard-reader-sim: %s\n", qPrintable(text));
}

} // namespace

int main(int argc, char** argv)
{
    open_standard_descriptors();
    // Blocked before the link exists, so a stop signal can only end the loop, which cleans up.
    const sigset_t stop_signals = LineLoop::stop_signals();
    sigprocmask(SIG_BLOCK, &stop_signals, nullptr);
    ignore_broken_pipes();
    const SimOptions options = SimOptions::parse(program_arguments(argc, argv));
    if (const auto status = early_exit(options))
        return *status;

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("novard-reader-sim"));
    PtyDevice device(options.link_path);
    if (!device.valid()) {
        print_line(device.error());
        return exit_no_device;
    }

    Card card(options.key);
    card.set_forgetful(options.forgetful);
    Reader reader(std::move(card), options.verbose ? print_line : nullptr);
    LineLoop loop(device, reader, { std::chrono::milliseconds(options.delay_ms), options.manual });

    // Whoever started the reader learns its device from this line alone.
    if (!print_out(qPrintable(device.path() + u'\n')))
        return output_failed_status;
    return loop.run();
}
