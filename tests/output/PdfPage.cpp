#include "PdfPage.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

namespace marbleck::test {

QImage PdfPage::Render(const QString& pdfPath, QString* error) {
    QTemporaryDir dir;
    QProcess pdftoppm;
    pdftoppm.start(
        QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QString::number(DotsPerInch), QStringLiteral("-gray"), QStringLiteral("-png"),
         QStringLiteral("-singlefile"), pdfPath, dir.filePath(QStringLiteral("page"))});
    if (!pdftoppm.waitForFinished(60000) || pdftoppm.exitStatus() != QProcess::NormalExit ||
        pdftoppm.exitCode() != 0) {
        if (error)
            *error = QStringLiteral("pdftoppm failed on %1: %2 %3")
                         .arg(pdfPath, pdftoppm.errorString(),
                              QString::fromLocal8Bit(pdftoppm.readAllStandardError()));
        return {};
    }
    QImage page(dir.filePath(QStringLiteral("page.png")));
    if (page.isNull() && error) *error = QStringLiteral("no image from pdftoppm for %1").arg(pdfPath);
    return page.convertToFormat(QImage::Format_Grayscale8);
}

QRect PdfPage::DarkBounds(const QImage& page) {
    QRect bounds;
    for (int y = 0; y < page.height(); ++y) {
        const uchar* line = page.constScanLine(y);
        for (int x = 0; x < page.width(); ++x)
            if (line[x] < 128) bounds |= QRect(x, y, 1, 1);
    }
    return bounds;
}

PdfFiles PdfFilesIn(const QStringList& folders) {
    PdfFiles files;
    for (const QString& folder : folders) {
        QDirIterator it(folder, {QStringLiteral("*.pdf")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            files.insert(file, QFileInfo(file).fileTime(QFileDevice::FileModificationTime));
        }
    }
    return files;
}

QString WaitForNewPdf(const QStringList& folders, const PdfFiles& before, std::chrono::seconds timeout) {
    QElapsedTimer clock;
    clock.start();
    QString found;
    qint64 lastSize = -1;
    while (clock.elapsed() < std::chrono::milliseconds(timeout).count()) {
        QCoreApplication::processEvents();
        if (found.isEmpty()) {
            const PdfFiles now = PdfFilesIn(folders);
            for (auto file = now.begin(); file != now.end(); ++file)
                if (!before.contains(file.key()) || before.value(file.key()) != file.value())
                    found = file.key();
        }
        if (!found.isEmpty()) {
            // cups-pdf writes the file and then hands it over: wait until its
            // size holds still and it ends like a PDF.
            const qint64 size = QFileInfo(found).size();
            if (size > 0 && size == lastSize) {
                QFile file(found);
                if (file.open(QIODevice::ReadOnly)) {
                    file.seek(std::max<qint64>(0, size - 64));
                    if (file.readAll().contains("%%EOF")) return found;
                }
            }
            lastSize = size;
        }
        QThread::msleep(250);
    }
    return {};
}

}  // namespace marbleck::test
