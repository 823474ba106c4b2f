#pragma once

#include <QImage>
#include <QString>
#include <functional>

namespace marbleck {

class PictureArea;

// Saves the hologram as shown beside the input: as "H-" followed by
// `inputFileName` (empty when no file is selected) in `inputFolder`, the
// separator always inserted. In order: `savedHologramPath` takes the path;
// `showStatus` receives "saving " and the path; `shownHologram` is written
// (an existing file is replaced); the written file becomes the view's
// background picture. Throws RunTimeError 61 when the file does not fit and
// 75 when it cannot be written for another reason (the path and status are
// already set, an earlier file of that name and the view are unchanged), and
// 481 when it cannot be read back.
void SaveHologram(const QString& inputFolder, const QString& inputFileName, const QImage& shownHologram,
                  PictureArea& view, const std::function<void(const QString&)>& showStatus,
                  QString& savedHologramPath);

}  // namespace marbleck
