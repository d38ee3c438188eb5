// novard-screenshot: shows the window, in the desktop's language, on a reader reachable through
// --port-dir, issues a card with the first test pattern, reads it back and saves a picture of the
// window. scripts/screenshot.sh runs it under Xvfb with the simulated reader to make the README's
// pictures.

#include "Language.h"
#include "MainWindow.h"
#include "QtDesktop.h"
#include "QtSerialControl.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QPushButton>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 4 || arguments[1] != QLatin1String("--port-dir")) {
        std::fputs("usage: novard-screenshot --port-dir FOLDER OUT.png\n", stderr);
        return 2;
    }
    use_language(std::nullopt);
    PortMap map;
    map.set_port_dir(arguments[2]);
    QtSerialControl line(map);
    QtDesktop desktop;
    MainWindow window(line, desktop);
    window.load();
    window.show();

    auto* status = window.findChild<QLabel*>(QStringLiteral("Label1"));
    auto press = [&](const char* button) {
        window.findChild<QPushButton*>(QString::fromLatin1(button))->click();
    };
    auto answered = [&](const char* korean) {
        const QString message = QCoreApplication::translate("ReplyDecoder", korean);
        QDeadlineTimer deadline(10000);
        while (status->text() != message && !deadline.hasExpired())
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        if (status->text() == message)
            return true;
        std::fputs("novard-screenshot: the reader did not answer\n", stderr);
        return false;
    };

    press("cmdeditwrtest");
    press("cmdwrite");
    if (!answered("카드 발행 완료"))
        return 1;
    press("cmd_read");
    if (!answered("카드 읽기 완료"))
        return 1;
    // The log box takes the newest bytes once a screen frame; wait for it as the eye does.
    for (QDeadlineTimer frame(50); !frame.hasExpired();)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    if (!window.grab().save(arguments[3])) {
        std::fprintf(stderr, "novard-screenshot: cannot write %s\n", qPrintable(arguments[3]));
        return 1;
    }
    return 0;
}
