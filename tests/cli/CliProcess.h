#pragma once

#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>

namespace marbleck::test {

// One finished run of the command line, started as a script starts it: a
// separate process with no display in its environment.
struct CliRun {
    int status = -1;  // -1 when a signal ended it or it was stopped at the time limit
    bool timedOut = false;
    QString out;
    QString err;
};

// With `limitMs`, a run still going after that long is killed and counts as
// timed out, so that a hang fails the test instead of stopping the suite.
inline CliRun RunCli(const QStringList& arguments, const std::function<void()>& childSetup = {},
                     int limitMs = -1) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    process.setProcessEnvironment(environment);
    if (childSetup) process.setChildProcessModifier(childSetup);
    process.start(QStringLiteral(MARBLECK_CLI_PATH), arguments);
    CliRun run;
    if (!process.waitForFinished(limitMs)) {
        run.timedOut = true;
        process.kill();
        process.waitForFinished(-1);
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

// A black object image of `width` × `height` with white pixels at `lit`.
inline QImage ObjectImage(int width, int height, std::initializer_list<QPoint> lit) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    for (const QPoint& p : lit) image.setPixel(p, qRgb(255, 255, 255));
    return image;
}

}  // namespace marbleck::test
