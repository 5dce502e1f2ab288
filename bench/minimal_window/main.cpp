// The anchor of bench_launch: a Qt Widgets program with one window of the
// main window's size and nothing else.

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(1100, 680);
    window.show();
    return app.exec();
}
