// Shows a window with the main window's chrome and title bar buttons on the
// X server in DISPLAY, clicks its zoom and then its minimise button, and
// prints what became of it: "maximised=0|1 minimised=0|1 fills=0|1", fills
// meaning that it covers the screen's available area.
#include "app/TitleBarButtons.h"
#include "app/WindowChrome.h"

#include <QApplication>
#include <QScreen>
#include <QTest>

#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QWidget window;
    window.setGeometry(40, 30, 400, 300);
    tw::WindowChrome::install(&window);
    auto* buttons = new tw::TitleBarButtons(&window);
    window.show();
    using Kind = tw::TitleBarButton::Kind;
    QTest::mouseClick(buttons->button(Kind::zoom), Qt::LeftButton);
    const bool maximised = window.isMaximized();
    const bool fills = window.geometry() == window.screen()->availableGeometry();
    QTest::mouseClick(buttons->button(Kind::minimise), Qt::LeftButton);
    std::printf("maximised=%d minimised=%d fills=%d\n", int(maximised), int(window.isMinimized()), int(fills));
    return 0;
}
