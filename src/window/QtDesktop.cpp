#include "QtDesktop.h"

#include <QFontMetrics>
#include <QGridLayout>
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
    // A box sized to a short text is narrower than its title, which the window manager then cuts
    // ("NOVAR... DEMO"): a row as wide as the title's room holds it open.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(title_room(title, box.font()), 0), grid->rowCount(), 0, 1,
            grid->columnCount());
    box.exec();
}

int QtDesktop::title_room(const QString& title, QFont font)
{
    font.setBold(true);
    const QFontMetrics metrics(font);
    return metrics.horizontalAdvance(title) + 8 * metrics.height();
}

QString QtDesktop::find_program(const QString& name) const
{
    return QStandardPaths::findExecutable(name);
}

bool QtDesktop::start_detached(const QString& program, const QStringList& arguments)
{
    return QProcess::startDetached(program, arguments);
}
