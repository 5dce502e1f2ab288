#include <QApplication>
#include <gmock/gmock.h>

// Every test program runs inside a headless QApplication, so engines and views
// can post to the GUI thread and widgets can be rendered offscreen.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
