#pragma once

namespace marbleck {

// The print as the print dialog last set it, for the figures of what a print
// shows when lit: the printer's dots per inch, the scale (printer dots a
// hologram pixel) and the laser and screen the user entered. The main window
// keeps it in step with the dialog (and its remembered laser and screen while
// the dialog is not loaded); the Reconstruction window reads it.
struct PrintSettings {
    double dpi = 300;
    double scale = 1;
    double wavelengthNm = 633;
    double distanceM = 1;
};

}  // namespace marbleck
