#include "QtDesktop.h"

#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>

void QtDesktop::show_message(
    QWidget* parent, const QString& title, const QString& text, const QString& detail)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    // Device names and reasons are shown as they are, never read as markup.
    box.setTextFormat(Qt::PlainText);
    if (!detail.isEmpty())
        box.setInformativeText(detail);
    box.exec();
}

QString QtDesktop::find_program(const QString& name) const
{
    return QStandardPaths::findExecutable(name);
}

bool QtDesktop::start_detached(const QString& program, const QStringList& arguments)
{
    return QProcess::startDetached(program, arguments);
}
