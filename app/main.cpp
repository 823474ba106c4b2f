#include <QApplication>

#include "app/MainWindow.h"
#include "app/Document.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Marbleck"));
    marbleck::Document module;
    marbleck::MainWindow form(module);
    form.show();
    return QApplication::exec();
}
