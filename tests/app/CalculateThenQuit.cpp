// The program's window with a calculation running, as a user meets it:
//  - "quit": a long calculation, "Quit" clicked once the progress bar moved;
//  - "close": the same, the window closed instead;
//  - "memory": the address space limited so that the hologram's field does
//    not fit, then "Calculate" clicked; the program quits once it has ended;
//  - "threads": the address space limited so that no thread's stack fits,
//    then "Calculate" clicked; the program quits once the click is handled.
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

// Leaves `room` beyond what the program has mapped.
bool LimitAddressSpace(rlim_t room) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return false;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmSize:")) {
            const rlim_t used = line.mid(7).trimmed().split(' ').front().toULongLong() * 1024;
            rlimit limit{};
            getrlimit(RLIMIT_AS, &limit);
            limit.rlim_cur = used + room;
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
        // Room for the program's threads but not for a 250 MiB field.
        if (!LimitAddressSpace((200 + 8 * std::thread::hardware_concurrency()) * rlim_t{1} << 20)) return 2;
        QObject::connect(&window, &marbleck::MainWindow::calculationEnded, &window, [&] { window.close(); });
    } else if (how == "threads") {
        canvas->setPixel(10, 10, marbleck::White);
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
        // Room for the calculation's data, not for a thread's stack.
        if (how == "threads" && !LimitAddressSpace(rlim_t{2} << 20)) QCoreApplication::exit(2);
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("calculateButton")), Qt::LeftButton);
        if (how == "threads") {
            rlimit limit{};
            getrlimit(RLIMIT_AS, &limit);
            limit.rlim_cur = limit.rlim_max;
            setrlimit(RLIMIT_AS, &limit);
            window.close();
        }
    });
    const int status = QApplication::exec();
    std::printf("errors:%s; hologram: %s; time: %s\n", errors.isEmpty() ? " none" : qPrintable(errors),
                document.field().empty() ? "none" : "made",
                qPrintable(window.findChild<QLineEdit*>(QStringLiteral("timeEdit"))->text()));
    return status;
}
