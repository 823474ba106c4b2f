// The program's window with a calculation running, as a user meets it:
//  - "quit": a long calculation, "Quit" clicked once the progress bar moved;
//  - "close": the same, the window closed instead;
//  - "memory": the address space limited so that the hologram's field does
//    not fit, then "Calculate" clicked; the program quits once it has ended.
// Prints the errors shown and what the document holds when the event loop
// has returned.
#include <sys/resource.h>

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <thread>

#include "app/Document.h"
#include "app/MainWindow.h"
#include "widgets/ErrorReporter.h"
#include "widgets/PictureArea.h"
#include "widgets/ProgressBar.h"

namespace {

// Leaves room for the program's threads but not for a 250 MiB field.
bool LimitAddressSpace() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return false;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmSize:")) {
            const rlim_t used = line.mid(7).trimmed().split(' ').front().toULongLong() * 1024;
            const rlim_t room = (200 + 8 * std::thread::hardware_concurrency()) * rlim_t{1} << 20;
            const rlimit limit{used + room, used + room};
            return setrlimit(RLIMIT_AS, &limit) == 0;
        }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QByteArray how = argc > 1 ? QByteArray(argv[1]) : QByteArray("quit");
    QString errors;
    marbleck::ErrorReporter::SetSink(
        [&](QWidget*, int number, const QString&) { errors += QStringLiteral(" %1").arg(number); });
    marbleck::Document document;
    marbleck::MainWindow window(document);
    window.show();
    auto* canvas = window.findChild<marbleck::PictureArea*>(QStringLiteral("objectCanvas"));
    auto* reps = window.findChild<QLineEdit*>(QStringLiteral("repsEdit"));
    if (how == "memory") {
        canvas->setPixel(10, 10, marbleck::White);
        reps->setText(QStringLiteral("81"));  // 8100 × 8100 values
        if (!LimitAddressSpace()) return 2;
        QObject::connect(&window, &marbleck::MainWindow::calculationEnded, &window, [&] { window.close(); });
    } else {
        canvas->drawBox(0, 0, 100, 100, marbleck::White, true);
        reps->setText(QStringLiteral("10"));
        auto* progress = window.findChild<marbleck::ProgressBar*>(QStringLiteral("progressBar"));
        QObject::connect(progress, &QProgressBar::valueChanged, &window, [&, progress] {
            static bool ended = false;
            if (ended || progress->value() <= 0) return;
            ended = true;
            if (how == "quit")
                QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("quitButton")),
                                  Qt::LeftButton);
            else
                window.close();
        });
    }
    QTimer::singleShot(0, &window, [&] {
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("calculateButton")), Qt::LeftButton);
    });
    const int status = QApplication::exec();
    std::printf("errors:%s; hologram: %s; time: %s\n", errors.isEmpty() ? " none" : qPrintable(errors),
                document.field.empty() ? "none" : "made",
                qPrintable(window.findChild<QLineEdit*>(QStringLiteral("timeEdit"))->text()));
    return status;
}
