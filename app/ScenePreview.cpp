#include "app/ScenePreview.h"

#include <QPainter>
#include <algorithm>
#include <numeric>
#include <vector>

namespace marbleck {

QColor DepthColour(double share) {
    return QColor::fromHsvF(static_cast<float>(std::clamp(share, 0.0, 1.0) * 240.0 / 360.0), 1.0f, 1.0f);
}

QImage ScenePreview(const Scene& scene, QSize size) {
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::black);
    if (scene.points.empty() || size.isEmpty()) return picture;
    const auto [left, right] = std::minmax_element(scene.points.begin(), scene.points.end(),
                                                   [](const auto& a, const auto& b) { return a.x < b.x; });
    const auto [top, bottom] = std::minmax_element(scene.points.begin(), scene.points.end(),
                                                   [](const auto& a, const auto& b) { return a.y < b.y; });
    const auto [nearest, farthest] = std::minmax_element(
        scene.points.begin(), scene.points.end(), [](const auto& a, const auto& b) { return a.z < b.z; });
    constexpr double Margin = 4;
    const double width = right->x - left->x;
    const double height = bottom->y - top->y;
    const double roomX = std::max(0.0, size.width() - 1 - 2 * Margin);
    const double roomY = std::max(0.0, size.height() - 1 - 2 * Margin);
    double scale = 0;
    if (width > 0) scale = roomX / width;
    if (height > 0) scale = scale > 0 ? std::min(scale, roomY / height) : roomY / height;
    const double centreX = (left->x + right->x) / 2;
    const double centreY = (top->y + bottom->y) / 2;
    const double depthRange = farthest->z - nearest->z;

    // Farthest first, so that nearer points cover them.
    std::vector<std::size_t> order(scene.points.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return scene.points[a].z > scene.points[b].z; });
    QPainter painter(&picture);
    for (const std::size_t index : order) {
        const ScenePoint& point = scene.points[index];
        const int column =
            static_cast<int>(std::lround((size.width() - 1) / 2.0 + (point.x - centreX) * scale));
        const int row =
            static_cast<int>(std::lround((size.height() - 1) / 2.0 + (point.y - centreY) * scale));
        const double share = depthRange > 0 ? (point.z - nearest->z) / depthRange : 0;
        painter.fillRect(column - 1, row - 1, 3, 3, DepthColour(share));
    }
    return picture;
}

}  // namespace marbleck
