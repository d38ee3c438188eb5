// novard-cli against the simulated reader answering at once (--delay 0), each run a fresh process:
//
//   build/bin/cli_bench [runs]
//
// start-up        novard-cli --version, from the process's start to its end
// port opening    the port opened and closed as the program does it, in this process
// read exchange   a read's frame out to the answer's last byte in, as the program reports it
//                 (19 bytes at 9600 baud take 19.8 ms; the bound is 1.5 times 20 ms)
// read process    the whole novard-cli read, start-up, opening and closing included
// batch of 200    200 reads in one batch (the answers alone take 200 x 20 ms; the bound 1.2 times)
// million lines   the peak memory (maximum resident set, from wait4) of a batch of a million lines
//                 streamed from a file; each line names an unknown op, so that no card is awaited
//                 and the figure is the reading, checking and reporting of lines alone

#include "QtSerialControl.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

QString beside(const char* program)
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromLatin1(program));
}

double median(std::vector<double> values)
{
    std::ranges::sort(values);
    return values.empty() ? 0 : values[values.size() / 2];
}

// The process's wall time in ms and its last line of output; a failure ends the benchmark.
std::pair<double, QByteArray> run_cli(const QStringList& arguments, const QByteArray& input = {})
{
    QProcess cli;
    QElapsedTimer clock;
    clock.start();
    cli.start(beside("novard-cli"), arguments);
    cli.write(input);
    cli.closeWriteChannel();
    if (!cli.waitForFinished(60000) || cli.exitCode() != 0) {
        std::fprintf(stderr, "cli_bench: novard-cli %s failed: %s\n",
            qPrintable(arguments.join(u' ')), cli.readAllStandardError().constData());
        std::exit(1);
    }
    const double wall = double(clock.nsecsElapsed()) / 1e6;
    return { wall, cli.readAllStandardOutput().trimmed().split('\n').last() };
}

// novard-cli's peak memory in kB on a million-line batch file, its output thrown away.
long million_line_peak_kb(const QString& folder)
{
    QTemporaryFile batch;
    if (!batch.open())
        return -1;
    batch.write("op,address,key,data\n");
    const QByteArray line("write,04,,0000000000000001\n");
    for (int i = 0; i < 1'000'000; ++i)
        batch.write(line);
    batch.flush();
    const QByteArray program = QFile::encodeName(beside("novard-cli"));
    const QByteArray path = QFile::encodeName(batch.fileName()), ports = QFile::encodeName(folder);
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::execl(program.constData(), "novard-cli", "batch", path.constData(), "--port-dir",
            ports.constData(), nullptr);
        ::_exit(127);
    }
    int status = 0;
    rusage usage {};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status)
        || WEXITSTATUS(status) != 2)
        return -1;
    return usage.ru_maxrss;
}

void report(const char* what, double ms, const char* bound = "")
{
    std::printf("%-16s %9.1f ms %s\n", what, ms, bound);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    QTemporaryDir ports;
    QProcess reader;
    reader.start(beside("novard-reader-sim"), { "--delay", "0", ports.filePath("COM1") });
    if (!reader.waitForReadyRead(5000)) {
        std::fputs("cli_bench: the simulated reader did not start\n", stderr);
        return 1;
    }
    const QStringList on_reader { "--port-dir", ports.path() };

    std::vector<double> startup, opening, exchange, process;
    for (int i = 0; i < runs; ++i)
        startup.push_back(run_cli({ "--version" }).first);
    PortMap map;
    map.set_port_dir(ports.path());
    QtSerialControl line(map);
    line.set_rthreshold(1);
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        if (!line.open_port()) {
            std::fputs("cli_bench: the port did not open\n", stderr);
            return 1;
        }
        line.close_port();
        opening.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    for (int i = 0; i < runs; ++i) {
        const auto [wall, json] = run_cli(QStringList { "read", "04", "--json" } << on_reader);
        process.push_back(wall);
        exchange.push_back(QJsonDocument::fromJson(json).object()["elapsed_ms"].toDouble());
    }
    QByteArray batch("op,address\n");
    for (int i = 0; i < 200; ++i)
        batch += "read,04\n";
    const auto [batch_wall, summary]
        = run_cli(QStringList { "batch", "-", "--json" } << on_reader, batch);

    std::printf("medians of %d runs\n", runs);
    report("start-up", median(startup));
    report("port opening", median(opening), "(open and close)");
    report("read exchange", median(exchange), "(bound 30 ms)");
    report("read process", median(process));
    report("batch of 200", QJsonDocument::fromJson(summary).object()["elapsed_ms"].toDouble(),
        "(bound 4800 ms; from the port's opening to the summary)");
    report("batch process", batch_wall);
    std::printf("%-16s %9ld kB (peak resident set; the input is 27 MB)\n", "million lines",
        million_line_peak_kb(ports.path()));
    reader.terminate();
    reader.waitForFinished(3000);
    return 0;
}
