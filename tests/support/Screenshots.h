#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QString>

namespace tw::test {

// Where the screenshot tests keep their pictures: $TIDEWELL_SCREENSHOT_DIR,
// else screenshots/ beside the test program (made when missing).
inline QString screenshotFolder()
{
    const QByteArray env = qgetenv("TIDEWELL_SCREENSHOT_DIR");
    const QString dir = env.isEmpty() ? QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots")
                                      : QString::fromLocal8Bit(env);
    QDir().mkpath(dir);
    return dir;
}

} // namespace tw::test
