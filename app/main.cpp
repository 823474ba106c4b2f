#include <QApplication>

#include "Form1.h"
#include "Module1.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Marbleck"));
    marbleck::Module1 module;
    marbleck::Form1 form(module);
    form.show();
    return QApplication::exec();
}
