#include <QApplication>
#include <QCommandLineParser>

#include "app/ApplicationIcon.h"
#include "app/Document.h"
#include "app/MainWindow.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Marbleck"));
    QApplication::setApplicationName(QStringLiteral("Marbleck"));
    QApplication::setApplicationVersion(QStringLiteral(MARBLECK_VERSION));
    QApplication::setWindowIcon(marbleck::ApplicationIcon());

    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Draw an object and calculate its computer-generated hologram."));
    options.addHelpOption();
    options.addVersionOption();
    options.process(app);

    marbleck::Document document;
    marbleck::MainWindow window(document);
    window.show();
    return QApplication::exec();
}
