#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <memory>

#include "output/PrintDialog.h"

namespace marbleck {

class Printer;

// Keeps the print dialog and the printer for the main window. The printer is
// made on first use and outlives the dialog, so the print position and
// quality survive hiding, reopening and reloading the dialog. The dialog is
// created on first use; closed through its frame it deletes itself, and the
// next use loads it afresh.
class PrintDialogHost : public QObject {
    Q_OBJECT

public:
    explicit PrintDialogHost(QObject* parent = nullptr);
    ~PrintDialogHost() override;

    // The loaded dialog, or null.
    PrintDialog* dialog() const;
    // The dialog, loading it first when needed.
    PrintDialog& load();

    // Hands the dialog the hologram as shown and the view's outer size in
    // twips (see PrintDialog::showHologram) and shows it modeless, without
    // owner.
    void open(const QImage& shownHologram, float viewOuterWidth, float viewOuterHeight);

    // The printer; the system's default printer, made on first use.
    Printer& printer();
    // Replaces the printer (tests); a loaded dialog is unloaded first.
    void setPrinter(std::unique_ptr<Printer> printer);

    // What a print would measure: the loaded dialog's settings; without one,
    // the printer's resolution (300 dpi before there is a printer), scale 1
    // (what the dialog loads with) and the remembered laser and screen.
    PrintDialog::PrintOptics optics() const;

signals:
    // The dialog's print quality, scale, wavelength or distance changed, the
    // dialog was loaded or unloaded, or the printer was made or replaced.
    void opticsChanged();

private:
    std::unique_ptr<Printer> printer_;
    QPointer<PrintDialog> dialog_;
};

}  // namespace marbleck
