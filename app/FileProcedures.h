#pragma once

namespace marbleck {

class MainWindow;
struct Document;

// Makes the file at the module's InputFilePath the object: sizes the canvas
// and the hologram view, shows the bitmap and its preview and keeps the file's
// headers and pixel bytes in the module. Reads the chooser's selected name for
// its guard. A failing load throws RunTimeError and changes nothing.
void LoadObjectBitmap(MainWindow& form, Document& module);

// Writes the hologram view as "H-" and the chooser's selected name into the
// chooser's folder, shows "saving " and the path in Label5 and keeps the path
// in the module's SavedHologramPath. Creates the chooser (hidden) if needed.
void SaveHologram(MainWindow& form, Document& module);

}  // namespace marbleck
