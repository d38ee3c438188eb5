// The floor the tool's start-up is measured against: a bare Qt window of the tool's size that
// holds one Hangul label, and nothing else.

#include <QApplication>
#include <QLabel>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("카드 읽기 완료"));
    label.resize(749, 357);
    label.show();
    return app.exec();
}
