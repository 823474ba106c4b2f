#pragma once

#include <functional>
#include <string>
#include <QString>

namespace marbleck {

class PictureArea;

// Saves what the hologram view shows beside the input: as "H-" followed by
// `selectedFileName` (the chooser's selected name, empty when none is
// selected) in `folderPath` (the chooser's folder), the separator always
// inserted. In order: `savedHologramPath` takes the path; `showStatus`
// receives "saving " and the path; the view's persistent image is written
// (an existing file is replaced); the written file becomes the view's
// background picture. Throws RunTimeError 61 when the file does not fit and
// 75 when it cannot be written for another reason (the path and status are
// already set, an earlier file of that name and the view are unchanged), and
// 481 when it cannot be read back.
void SaveHologram(const QString& folderPath, const QString& selectedFileName, PictureArea& view,
                  const std::function<void(const QString&)>& showStatus,
                  std::string& savedHologramPath);

}  // namespace marbleck
