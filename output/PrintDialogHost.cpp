#include "output/PrintDialogHost.h"

#include <QGuiApplication>
#include <QScopeGuard>

#include "output/PrintDialog.h"
#include "widgets/Printer.h"

namespace marbleck {

PrintDialogHost::PrintDialogHost(QObject* parent) : QObject(parent) {}

// The dialog refers to the printer, so it goes first; no one hears of it,
// as the window that listens is going too.
PrintDialogHost::~PrintDialogHost() {
    if (dialog_) disconnect(dialog_, nullptr, this, nullptr);
    delete dialog_.data();
}

PrintDialog* PrintDialogHost::dialog() const { return dialog_.data(); }

// Finding the default printer may wait a few seconds on the printing service.
Printer& PrintDialogHost::printer() {
    if (!printer_) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
        printer_ = std::make_unique<Printer>();
        emit opticsChanged();  // its resolution replaces the 300 dpi assumed before
    }
    return *printer_;
}

void PrintDialogHost::setPrinter(std::unique_ptr<Printer> printer) {
    delete dialog_.data();
    printer_ = std::move(printer);
    emit opticsChanged();
}

PrintDialog::PrintOptics PrintDialogHost::optics() const {
    if (dialog_) return dialog_->optics();
    PrintDialog::PrintOptics o;
    if (printer_) o.dpi = printer_->resolution();
    o.wavelengthNm = PrintDialog::RememberedWavelengthNm();
    o.distanceM = PrintDialog::RememberedDistanceM();
    return o;
}

PrintDialog& PrintDialogHost::load() {
    if (!dialog_) {
        dialog_ = new PrintDialog(printer());
        connect(dialog_, &PrintDialog::opticsChanged, this, &PrintDialogHost::opticsChanged);
        // A widget says it is destroyed while the pointers to it still hold
        // it: it is let go first, so that optics() reads the remembered
        // settings rather than the dialog's remains. Only this dialog can be
        // held then: another is loaded only once the pointer is empty. (The
        // pointer is not compared: reading it casts to a dialog that is by
        // now only a widget.)
        connect(dialog_, &QObject::destroyed, this, [this] {
            dialog_.clear();
            emit opticsChanged();
        });
        emit opticsChanged();
    }
    return *dialog_;
}

void PrintDialogHost::open(const QImage& shownHologram, float viewOuterWidth, float viewOuterHeight) {
    PrintDialog& dialog = load();
    dialog.showHologram(viewOuterWidth, shownHologram, viewOuterHeight);
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
}

}  // namespace marbleck
