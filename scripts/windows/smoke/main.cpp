// A window with a Hangul caption and text: shows that the cross-built Qt starts on Windows with
// its platform plugin and styles beside the program and draws Korean from the system's fonts.
#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("카드 읽기 완료: 한글이 보입니다"));
    label.setWindowTitle(QStringLiteral("qt-smoke 읽기"));
    QFont font = label.font();
    font.setPointSize(18);
    label.setFont(font);
    label.setMargin(24);
    label.show();
    return app.exec();
}
