// XYZ point clouds: "x y z [a]" a line.

#include <array>
#include <cmath>

#include "engine/core/QuotedText.h"
#include "engine/scenes/PointCloudFile.h"
#include "engine/scenes/SceneFileText.h"

namespace marbleck::scenefile {

Scene ReadXyz(ByteSource& source) {
    constexpr std::array<const char*, 4> FieldNames{"x", "y", "z", "a"};
    Scene scene;
    // Room up front for lines of 32 bytes; more points grow the vector.
    ReservePoints(scene, MaxScenePoints, source.remaining().value_or(std::uint64_t{1} << 16) / 32);
    std::vector<std::string_view> fields;
    while (const auto line = source.line(MaxSceneLineBytes)) {
        // The message's start, made only for a line that fails.
        auto where = [&] { return "line " + std::to_string(source.lineNumber()) + ": "; };
        if (source.consumed() > MaxSceneTextBytes)
            throw Unreadable(where() + "the text is larger than " + std::to_string(MaxSceneTextBytes) +
                             " bytes");
        std::string_view text = *line;
        // Editors on some systems begin a UTF-8 text with a byte order mark.
        if (source.lineNumber() == 1 && text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
        SplitFields(text, fields, ",;");
        if (fields.empty() || fields[0].starts_with('#')) continue;
        if (fields.size() < 3 || fields.size() > 4)
            throw Unreadable(where() + std::to_string(fields.size()) +
                             " fields where x y z or x y z a are expected");
        if (scene.points.size() == MaxScenePoints)
            throw Unreadable(where() + "more than " + std::to_string(MaxScenePoints) + " points");
        std::array<double, 4> values{0, 0, 0, 1};
        for (std::size_t f = 0; f < fields.size(); ++f) {
            const auto value = ParseReal(fields[f]);
            auto field = [&] { return where() + "field " + FieldNames[f] + ": " + QuotedText(fields[f]); };
            if (!value) throw Unreadable(field() + " is not a number");
            if (!std::isfinite(*value) || (f == 3 && !std::isfinite(static_cast<float>(*value))))
                throw Unreadable(field() + " is not a finite number");
            values[f] = *value;
        }
        const auto amplitude = static_cast<float>(values[3]);
        scene.points.push_back({values[0], values[1], values[2], {amplitude, amplitude, amplitude}});
    }
    return scene;
}

}  // namespace marbleck::scenefile
