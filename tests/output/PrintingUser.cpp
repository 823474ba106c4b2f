// A user who prints, run as a program of its own so that the printing tests
// can give it its own environment (printing service, home folder) and a
// deadline. It opens the main window and, for each argument
// "quality,x,y,scale", presses "Print", sets the quality spinner, picks the
// cell at (x, y) on the page map, sets the scale spinner and presses "print".
// It reports on standard output, one fact a line:
//   hologram WIDTH HEIGHT       the hologram view's drawing area in pixels
//   printer NAME                the printer (empty name: the PDF file)
//   resolution DPI BOX          the printer's resolution and the box's text
//   area LEFT TOP WIDTH HEIGHT  the printable area on the page, in inches
//   notice TEXT                 an information message (line breaks as \n)
//   error NUMBER DESCRIPTION    a run-time error
//   file PATH                   the PDF written where there is no printer
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdio>

#include "Controls.h"
#include "app/Document.h"
#include "app/MainWindow.h"
#include "output/PrintDialog.h"
#include "output/PrintDialogHost.h"
#include "widgets/ErrorReporter.h"
#include "widgets/PictureArea.h"
#include "widgets/Printer.h"
#include "widgets/UserNotice.h"
#include "widgets/VSpinner.h"

using namespace marbleck;
using marbleck::test::Control;

namespace {

void report(const QString& fact) {
    QString line = fact;
    line.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ErrorReporter::SetSink([](QWidget*, int number, const QString& description) {
        report(QStringLiteral("error %1 %2").arg(number).arg(description));
    });
    UserNotice::SetSink([](QWidget*, const QString& text) { report(QStringLiteral("notice ") + text); });

    Document document;
    MainWindow form(document);
    const QSize hologram = Control<PictureArea>(form, "hologramView")->drawingAreaSize();
    report(QStringLiteral("hologram %1 %2").arg(hologram.width()).arg(hologram.height()));
    for (const QString& step : app.arguments().mid(1)) {
        const QStringList parts = step.split(QLatin1Char(','));
        if (parts.size() != 4) {
            report(QStringLiteral("usage: printing_user quality,x,y,scale ..."));
            return 2;
        }
        QTest::mouseClick(Control<QPushButton>(form, "printButton"), Qt::LeftButton);
        PrintDialog* dialog = form.printDialogHost().dialog();
        if (!dialog) return 1;
        Printer& printer = form.printDialogHost().printer();
        report(QStringLiteral("printer ") + printer.name());
        Control<VSpinner>(*dialog, "qualitySpinner")->setValue(parts[0].toInt());
        report(QStringLiteral("resolution %1 %2")
                   .arg(printer.resolution())
                   .arg(Control<QLineEdit>(*dialog, "resolutionEdit")->text()));
        const QRectF area = printer.printableAreaInches();
        report(QStringLiteral("area %1 %2 %3 %4")
                   .arg(area.left())
                   .arg(area.top())
                   .arg(area.width())
                   .arg(area.height()));
        emit Control<PictureArea>(*dialog, "pageMap")
            ->mousePressed(Qt::LeftButton, Qt::LeftButton, parts[1].toFloat(), parts[2].toFloat());
        Control<VSpinner>(*dialog, "scaleSpinner")->setValue(parts[3].toInt());
        QTest::mouseClick(Control<QPushButton>(*dialog, "printButton"), Qt::LeftButton);
        if (!printer.lastFilePath().isEmpty()) report(QStringLiteral("file ") + printer.lastFilePath());
    }
    return 0;
}
