#include <QApplication>

#include "app/Document.h"
#include "app/MainWindow.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Marbleck"));
    QApplication::setApplicationName(QStringLiteral("Marbleck"));
    QApplication::setApplicationVersion(QStringLiteral(MARBLECK_VERSION));
    marbleck::Document document;
    marbleck::MainWindow window(document);
    window.show();
    return QApplication::exec();
}
