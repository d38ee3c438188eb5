#include "PosixDemoReader.h"

#include "DeviceNode.h"
#include "PortLock.h"
#include "SerialPlatform.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString reader_name = QStringLiteral("novard-reader-sim");

QString last_line(const QByteArray& text)
{
    const QList<QByteArray> lines = text.trimmed().split('\n');
    return QString::fromLocal8Bit(lines.back().trimmed());
}

// TMPDIR when it names a folder that can be written, else the system's: never the current
// directory, which is what QDir::temp() gives for a TMPDIR that does not exist.
QString temp_folder()
{
    const QFileInfo folder(QDir::tempPath());
    if (!folder.filePath().isEmpty() && folder.isDir() && folder.isWritable())
        return folder.filePath();
    return QStringLiteral("/tmp");
}

// A lock file's first line is its holder's process id; an empty one was being taken when its
// program was killed.
bool locked_by(const QString& path, pid_t pid)
{
    return QFileInfo(path).size() == 0 || PortLock::holder(path) == pid;
}

// The run whose folder is named "novard-demo-PID-XXXXXX" (QTemporaryDir's six letters and
// digits); 0 for a name of any other form. Read without a regular expression, whose library and
// compiler would cost every --demo start half a megabyte for one name pattern.
pid_t folder_pid(const QString& name)
{
    const QStringList parts = name.split(u'-');
    const auto all = [](QStringView text, auto test) {
        return !text.isEmpty() && std::ranges::all_of(text, test);
    };
    if (parts.size() != 4 || parts[0] != u"novard" || parts[1] != u"demo" || parts[3].size() != 6
        || !all(parts[2], [](QChar c) { return c >= u'0' && c <= u'9'; })
        || !all(parts[3], [](QChar c) { return c.isLetterOrNumber() || c == u'_'; }))
        return 0;
    return parts[2].toInt();
}

// The folders, and their COM1's lock files, that earlier runs killed outright left in folder: those
// this user made under this program's name, with the process id of a run that is gone.
void remove_stale_folders(const QString& folder)
{
    const QDir dir(folder);
    for (const QFileInfo& entry :
        dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks)) {
        const pid_t pid = folder_pid(entry.fileName());
        if (pid <= 0 || entry.ownerId() != getuid() || ::kill(pid, 0) == 0 || errno != ESRCH)
            continue;
        // The simulated reader's pseudo-terminal went with it; its number may be another's now,
        // so only a lock that the gone run holds is removed. The link leads to the kernel's name
        // for it, under which the run opened and locked it.
        const QFileInfo com1(dir.filePath(entry.fileName() + QStringLiteral("/COM1")));
        const QFileInfo lock(DeviceNode::lock_file(DeviceNode::kernel_name(com1.symLinkTarget())));
        if (com1.isSymLink() && lock.exists() && lock.ownerId() == getuid()
            && locked_by(lock.filePath(), pid))
            QFile::remove(lock.filePath());
        QDir(entry.filePath()).removeRecursively();
    }
}

// The new folder's name, in the temporary folder once what earlier runs left there is gone. The
// process id in it tells a later run whether this one is still running.
QString new_folder_template()
{
    const QString folder = temp_folder();
    remove_stale_folders(folder);
    return QDir(folder).filePath(QStringLiteral("novard-demo-%1-XXXXXX").arg(getpid()));
}

} // namespace

PosixDemoReader::PosixDemoReader(const QString& program)
    : folder_(new_folder_template())
    , program_(program)
{
    if (!folder_.isValid()) {
        error_ = QStringLiteral("cannot make a folder for the ports: ") + folder_.errorString();
        return;
    }
    if (program.isEmpty()) {
        error_ = reader_name + QStringLiteral(" is neither beside this program nor on PATH");
        return;
    }
    // Runs in the child before exec: the reader gets SIGTERM when the tool dies, however it dies.
    // A parent that died before the request was made would never send it, hence the check.
    const pid_t parent = getpid();
    process_.setChildProcessModifier([parent] {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(1);
    });
    process_.start(program, { QStringLiteral("--link"), link_path() });
}

bool PosixDemoReader::wait_ready(int timeout_ms)
{
    if (!error_.isEmpty())
        return false;
    const QDeadlineTimer deadline(timeout_ms);
    while (!process_.canReadLine() && process_.state() != QProcess::NotRunning
        && !deadline.hasExpired())
        process_.waitForReadyRead(int(deadline.remainingTime()));
    const bool said_ready
        = process_.canReadLine() && process_.readLine().trimmed() == link_path().toLocal8Bit();
    struct stat device { };
    if (said_ready && ::stat(QFile::encodeName(link_path()).constData(), &device) == 0
        && S_ISCHR(device.st_mode))
        return true;

    if (said_ready) {
        error_
            = QStringLiteral("the simulated reader's link %1 leads to no device").arg(link_path());
    } else if (process_.error() == QProcess::FailedToStart) {
        error_ = QStringLiteral("cannot start %1: %2").arg(program_, process_.errorString());
    } else if (process_.state() == QProcess::NotRunning) {
        const QString why = last_line(process_.readAllStandardError());
        error_ = QStringLiteral("the simulated reader stopped (exit status %1)%2")
                     .arg(process_.exitCode())
                     .arg(why.isEmpty() ? QString() : QStringLiteral(": ") + why);
    } else {
        error_ = QStringLiteral("the simulated reader was not ready within %1 ms").arg(timeout_ms);
    }
    return false;
}

PosixDemoReader::~PosixDemoReader()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    // SIGTERM lets the reader remove its link; the folder goes with folder_ in any case.
    process_.terminate();
    if (!process_.waitForFinished(3000)) {
        process_.kill();
        process_.waitForFinished(3000);
    }
}

QString PosixDemoReader::device() const
{
    return QFileInfo(link_path()).symLinkTarget();
}

QString PosixDemoReader::find_program()
{
    // The build puts every program in one folder, as the package does.
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(reader_name);
    if (QFileInfo(beside).isExecutable())
        return beside;
    return QStandardPaths::findExecutable(reader_name);
}

QString PosixDemoReader::where() const
{
    return QStringLiteral("simulated card reader on %1 as COM1 in %2").arg(device(), folder());
}

std::unique_ptr<SerialControl> PosixDemoReader::make_line(PortMap map) const
{
    map.set_port_dir(folder());
    return make_serial_control(std::move(map));
}

std::unique_ptr<DemoReader> DemoReader::start()
{
    return std::make_unique<PosixDemoReader>(PosixDemoReader::find_program());
}
