// The reference for the program's start-up (bench/startup.sh): the least a
// Qt widgets program does to put one empty window on the screen.
#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.show();
    return app.exec();
}
