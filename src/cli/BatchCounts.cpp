#include "BatchCounts.h"

#include <QCoreApplication>

void BatchCounts::count(const CardOutcome& outcome)
{
    using Result = CardOutcome::Result;
    ++(outcome.result == Result::completed          ? completed
            : outcome.result == Result::interrupted ? interrupted
                                                    : failed);
}

void BatchCounts::put(QJsonObject& summary, int lines, int not_run) const
{
    summary[u"lines"] = lines;
    summary[u"completed"] = completed;
    summary[u"failed"] = failed;
    summary[u"interrupted"] = interrupted;
    summary[u"not_run"] = not_run;
}

QString BatchCounts::text(int lines, int not_run) const
{
    // The interrupted card is named only when there is one; the usual line stays as it was.
    if (interrupted == 0)
        return QCoreApplication::translate(
            "CliRun", "일괄 처리: %2줄 중 %1줄 완료, %3줄 실패, %4줄 실행 안 함")
            .arg(completed)
            .arg(lines)
            .arg(failed)
            .arg(not_run);
    return QCoreApplication::translate(
        "CliRun", "일괄 처리: %2줄 중 %1줄 완료, %3줄 실패, %5줄 중단, %4줄 실행 안 함")
        .arg(completed)
        .arg(lines)
        .arg(failed)
        .arg(not_run)
        .arg(interrupted);
}
