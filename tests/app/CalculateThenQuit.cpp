// The program's window with a long calculation running, ended as a user
// ends it: "Quit" (argument "quit") or closing the window ("close") once the
// progress bar has moved. Prints what the document holds when the event loop
// has returned.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "app/Document.h"
#include "app/MainWindow.h"
#include "widgets/PictureArea.h"
#include "widgets/ProgressBar.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool byQuit = argc > 1 && qstrcmp(argv[1], "quit") == 0;
    marbleck::Document document;
    marbleck::MainWindow window(document);
    window.show();
    window.findChild<marbleck::PictureArea*>(QStringLiteral("objectCanvas"))
        ->drawBox(0, 0, 100, 100, marbleck::White, true);
    window.findChild<QLineEdit*>(QStringLiteral("repsEdit"))->setText(QStringLiteral("10"));
    auto* progress = window.findChild<marbleck::ProgressBar*>(QStringLiteral("progressBar"));
    bool ended = false;
    QObject::connect(progress, &QProgressBar::valueChanged, &window, [&] {
        if (ended || progress->value() <= 0) return;
        ended = true;
        if (byQuit)
            QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("quitButton")), Qt::LeftButton);
        else
            window.close();
    });
    QTimer::singleShot(0, &window, [&] {
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("calculateButton")), Qt::LeftButton);
    });
    const int status = QApplication::exec();
    std::printf("hologram: %s; time: %s\n", document.field.empty() ? "none" : "made",
                qPrintable(window.findChild<QLineEdit*>(QStringLiteral("timeEdit"))->text()));
    return status;
}
