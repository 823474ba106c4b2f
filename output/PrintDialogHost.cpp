#include "PrintDialogHost.h"

#include <QGuiApplication>
#include <QScopeGuard>

#include "PictureArea.h"
#include "Printer.h"
#include "PrtFrm.h"

namespace marbleck {

PrintDialogHost::PrintDialogHost(QObject* parent) : QObject(parent) {}

// The dialog refers to the printer, so it goes first.
PrintDialogHost::~PrintDialogHost() { delete dialog_.data(); }

PrtFrm* PrintDialogHost::dialog() const { return dialog_.data(); }

// Finding the default printer may wait a few seconds on the printing service.
Printer& PrintDialogHost::printer() {
    if (!printer_) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
        printer_ = std::make_unique<Printer>();
    }
    return *printer_;
}

void PrintDialogHost::setPrinter(std::unique_ptr<Printer> printer) {
    delete dialog_.data();
    printer_ = std::move(printer);
}

PrtFrm& PrintDialogHost::load() {
    if (!dialog_) dialog_ = new PrtFrm(printer());
    return *dialog_;
}

void PrintDialogHost::open(const PictureArea& hologramView) {
    PrtFrm& dialog = load();
    dialog.Picture1->setOuterWidth(hologramView.outerWidth());
    dialog.Picture1->setPicture(hologramView.image());
    dialog.Picture1->setOuterHeight(hologramView.outerHeight());
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
}

}  // namespace marbleck
