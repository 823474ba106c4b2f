#pragma once

#include <QColor>
#include <QImage>
#include <QSize>

#include "engine/scenes/Scene.h"

namespace marbleck {

// The colour of a depth `share` of the scene's depth range (0 nearest, 1
// farthest): a ramp from red through yellow and green to blue.
QColor DepthColour(double share);

// The scene seen from the front on a black picture of `size`: x to the
// right and y down (as the hologram's columns and rows run), the points'
// extent scaled alike in both directions to fit inside a margin of 4
// pixels and centred, each point a dot of 3 × 3 pixels coloured by its
// depth (DepthColour), nearer points painted over farther ones.
QImage ScenePreview(const Scene& scene, QSize size);

}  // namespace marbleck
