// The references for the program's start-up (bench/startup.sh): the least a
// Qt widgets program does to put one empty window on the screen; with
// --text, the same window showing one line of Japanese in the launcher's
// face, which is what the font system's first use costs any program that
// shows text.
#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    if (app.arguments().contains(QStringLiteral("--text"))) {
        auto *label = new QLabel(QStringLiteral("画面全体"), &window);
        label->setFont(QFont(QStringLiteral("IPAPGothic")));
    }
    window.show();
    return app.exec();
}
