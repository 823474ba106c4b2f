#pragma once

#include <QImage>
#include <QString>

#include "engine/scenes/DepthMapScene.h"
#include "engine/scenes/Scene.h"

namespace marbleck {

// The colour picture of a colour-plus-depth scene at `path`: any picture the
// platform reads, as 8-bit RGB (QImage::Format_RGB888, its alpha dropped).
// Throws RunTimeError 53 and 75 as OpenObjectFile, 481 "Invalid picture:
// NAME ..." when it is no picture, has more than MaxPicturePixels (checked
// from its headers before decoding) or cannot be decoded.
QImage ReadSceneColourPicture(const QString& path);

// The depth picture at `path` as grey levels: QImage::Format_Grayscale8, or
// Format_Grayscale16 for a picture of 16 bits a channel (a 16-bit PNG's
// levels kept exactly). A picture stored in colour or with a palette is taken
// when every pixel is grey (its red level, 8 or 16 bits as stored) and
// refused otherwise ("is a colour picture; depth must be grey"). Throws as
// ReadSceneColourPicture.
QImage ReadSceneDepthPicture(const QString& path);

// The depth picture's levels as the engine takes them: a Format_Grayscale8
// or Format_Grayscale16 picture (largest level 255 or 65535) into `levels`.
DepthLevels DepthLevelsOf(const QImage& depth, std::vector<std::uint16_t>& levels);

// The scene of the colour picture at `colourPath` and the depth picture at
// `depthPath` (DepthMapScene). Throws as the readers, 481 naming both
// pictures and their sizes when the sizes differ, the engine's 380 for
// `range` and `pitch`, std::bad_alloc.
Scene ReadDepthScene(const QString& colourPath, const QString& depthPath, const DepthRange& range,
                     double pitch);

}  // namespace marbleck
