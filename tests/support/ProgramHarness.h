#pragma once

#include "app/SweeplineApp.h"
#include "support/FakePlatform.h"
#include "support/FakePrompter.h"
#include "support/HostProgramParts.h"
#include "support/ShellHarness.h"

#include <QGuiApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace tw::test {

// The whole program over a fake platform: its alerts answered by a fake
// prompter, the start-up hooks counted. Quitting on the last window closed,
// which the program turns off, is put back afterwards.
struct Program {
    FakePlatform fake;
    HostProgramParts host{fake};
    std::unique_ptr<SweeplineApp> app;
    FakePrompter* prompter = nullptr;
    int menuBarInstalls = 0;
    int loginItemEnables = 0;

    explicit Program(bool runInBackground = true)
    {
        fake.settings.setValue(QStringLiteral("settings.runInBackground"), runInBackground);
        app = std::make_unique<SweeplineApp>(fake.platform(), parts());
        auto owned = std::make_unique<FakePrompter>();
        prompter = owned.get();
        app->setPrompter(std::move(owned));
    }
    ~Program()
    {
        if (app)
            drainScans(&app->scanner(), &app->cleaner());
        app.reset();
        QGuiApplication::setQuitOnLastWindowClosed(true);
    }
    AppNavigation& navigation() { return app->state().navigation(); }
    // The host's parts with the start-up hooks counted.
    ProgramParts parts()
    {
        ProgramParts::Hooks hooks;
        hooks.installMenuBar = [this](AppScanner&, SystemCleaner&) { ++menuBarInstalls; };
        hooks.enableLoginItem = [this] { ++loginItemEnables; };
        return host.parts(std::move(hooks));
    }

    // Starts the program and waits until its window is on screen and active.
    MainWindow* startShown()
    {
        app->start();
        MainWindow* w = app->mainWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w));
        w->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w));
        return w;
    }
    // startShown, then moved to at once it has been placed there.
    MainWindow* startShownAt(QPoint at)
    {
        MainWindow* w = startShown();
        w->move(at);
        EXPECT_TRUE(QTest::qWaitFor([&] { return w->pos() == at; }, 10000));
        return w;
    }
    // The same with the frame given.
    MainWindow* startShownAt(const QRect& frame)
    {
        MainWindow* w = startShown();
        w->setGeometry(frame);
        EXPECT_TRUE(QTest::qWaitFor([&] { return w->geometry() == frame; }, 10000));
        return w;
    }
};

} // namespace tw::test
