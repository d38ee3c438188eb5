#pragma once

// novard-cli as a process, as a shell starts it: what it prints, what it says on standard error,
// how it exits.

#include "HangCeiling.h"
#include "SimulatorProcess.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>

inline const QString accepted = "읽기 명령 전송 완료 -> 카드를 대어 주세요\n";

struct Ran {
    int status = -1;
    QString out, err;
};

// Korean, as on a desktop whose locale names no language; a language chosen with --language on a
// desktop of the other one, so that a text following the desktop shows.
inline void start(QProcess& cli, const QStringList& arguments, const QString& program = NOVARD_CLI)
{
    die_with_test(cli);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("LANGUAGE"));
    const QString chosen = arguments.value(arguments.indexOf("--language") + 1);
    environment.insert("LC_ALL",
        QMap<QString, QString> { { "en", "ko_KR.UTF-8" }, { "ko", "en_US.UTF-8" } }.value(
            chosen, "C.UTF-8"));
    cli.setProcessEnvironment(environment);
    cli.start(program, arguments);
}

inline Ran finish(QProcess& cli, const QByteArray& input = {})
{
    cli.write(input);
    cli.closeWriteChannel();
    Ran run;
    if ((cli.state() == QProcess::NotRunning || cli.waitForFinished(hang_ceiling_ms))
        && cli.exitStatus() == QProcess::NormalExit)
        run.status = cli.exitCode();
    run.out = QString::fromUtf8(cli.readAllStandardOutput());
    run.err = QString::fromUtf8(cli.readAllStandardError());
    return run;
}

inline Ran cli(const QStringList& arguments, const QByteArray& input = {})
{
    QProcess process;
    start(process, arguments);
    return finish(process, input);
}

inline QJsonObject json(const QString& line)
{
    return QJsonDocument::fromJson(line.toUtf8()).object();
}
