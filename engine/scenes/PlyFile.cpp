// PLY point clouds: the header, then the elements in their order, the
// vertices' coordinates and colours kept, everything else skipped.

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "engine/core/QuotedText.h"
#include "engine/scenes/PlyHeader.h"
#include "engine/scenes/PointCloudFile.h"

namespace marbleck::scenefile {

namespace {

template <typename Value>
Value LittleEndian(const unsigned char* bytes) {
    Value value;
    std::array<unsigned char, sizeof(Value)> ordered;
    std::memcpy(ordered.data(), bytes, sizeof(Value));
    if constexpr (std::endian::native == std::endian::big) std::reverse(ordered.begin(), ordered.end());
    std::memcpy(&value, ordered.data(), sizeof(Value));
    return value;
}

double Decode(PlyType type, const unsigned char* bytes) {
    switch (type) {
        case PlyType::Int8:
            return static_cast<std::int8_t>(bytes[0]);
        case PlyType::Uint8:
            return bytes[0];
        case PlyType::Int16:
            return LittleEndian<std::int16_t>(bytes);
        case PlyType::Uint16:
            return LittleEndian<std::uint16_t>(bytes);
        case PlyType::Int32:
            return LittleEndian<std::int32_t>(bytes);
        case PlyType::Uint32:
            return LittleEndian<std::uint32_t>(bytes);
        case PlyType::Float32:
            return LittleEndian<float>(bytes);
        case PlyType::Float64:
            return LittleEndian<double>(bytes);
    }
    return 0;
}

// One property's value into the point being read, `value` as the file has
// it; false when it is not a finite number.
bool Give(ScenePoint& point, const PlyProperty& property, double value) {
    if (!std::isfinite(value)) return false;
    switch (property.role) {
        case Role::X:
            point.x = value;
            return true;
        case Role::Y:
            point.y = value;
            return true;
        case Role::Z:
            point.z = value;
            return true;
        case Role::Skipped:
            return true;
        default:
            break;
    }
    const auto level = static_cast<float>(IsWhole(property.type) ? value / LargestOf(property.type) : value);
    if (!std::isfinite(level)) return false;
    if (property.role == Role::Intensity) point.colour = {level, level, level};
    if (property.role == Role::Red) point.colour[0] = level;
    if (property.role == Role::Green) point.colour[1] = level;
    if (property.role == Role::Blue) point.colour[2] = level;
    return true;
}

std::string Record(const PlyElement& element, std::uint64_t index) {
    return element.name + " " + std::to_string(index) + ": ";
}

[[noreturn]] void Truncated(const PlyElement& element, std::uint64_t index) {
    throw Unreadable(Record(element, index) + "truncated (file ends)");
}

[[noreturn]] void NotFinite(const PlyElement& element, std::uint64_t index, const PlyProperty& property) {
    throw Unreadable(Record(element, index) + "property " + property.name + " is not a finite number");
}

std::size_t StoredBytes(const PlyProperty& property) {
    return property.list ? BytesOf(property.countType) : BytesOf(property.type);
}

// A record with lists, property by property.
void ReadBinaryRecord(ByteSource& source, const PlyElement& element, std::uint64_t index, ScenePoint* point) {
    for (const PlyProperty& property : element.properties) {
        const unsigned char* value = source.take(StoredBytes(property));
        if (value == nullptr) Truncated(element, index);
        if (property.list) {
            const double count = Decode(property.countType, value);
            if (count < 0)
                throw Unreadable(Record(element, index) + "list " + property.name + " has a negative count");
            if (!source.skip(static_cast<std::uint64_t>(count) * BytesOf(property.type)))
                Truncated(element, index);
        } else if (point != nullptr && !Give(*point, property, Decode(property.type, value))) {
            NotFinite(element, index, property);
        }
    }
}

void ReadBinaryElement(ByteSource& source, const PlyElement& element, Scene* scene) {
    bool fixed = true;
    std::size_t recordBytes = 0;
    for (const PlyProperty& property : element.properties) {
        fixed = fixed && !property.list;
        recordBytes += StoredBytes(property);
    }
    if (scene != nullptr) {
        // Checked before the points are allocated: a count the file cannot hold.
        const std::uint64_t needed = element.count * recordBytes;
        const auto left = source.remaining();
        if (left && needed > *left)
            throw Unreadable("element vertex: " + std::to_string(element.count) + " vertices need at least " +
                             std::to_string(needed) + " bytes, the file has " + std::to_string(*left) +
                             " after its header");
        // A file that holds the vertices pays for them all; a stream of
        // unknown length for a part first.
        ReservePoints(*scene, element.count, left ? element.count : std::uint64_t{1} << 20);
    }
    for (std::uint64_t index = 0; index < element.count; ++index) {
        if (!fixed) {
            ScenePoint point;
            ReadBinaryRecord(source, element, index, scene != nullptr ? &point : nullptr);
            if (scene != nullptr) scene->points.push_back(point);
            continue;
        }
        const unsigned char* record = source.take(recordBytes);
        if (record == nullptr) Truncated(element, index);
        if (scene == nullptr) continue;
        ScenePoint point;
        for (const PlyProperty& property : element.properties) {
            if (property.role != Role::Skipped && !Give(point, property, Decode(property.type, record)))
                NotFinite(element, index, property);
            record += BytesOf(property.type);
        }
        scene->points.push_back(point);
    }
}

// The next line that holds anything.
bool NextRecord(ByteSource& source, std::vector<std::string_view>& fields) {
    while (const auto line = source.line(MaxSceneLineBytes)) {
        if (source.consumed() > MaxSceneTextBytes)
            throw Unreadable("line " + std::to_string(source.lineNumber()) + ": the text is larger than " +
                             std::to_string(MaxSceneTextBytes) + " bytes");
        SplitFields(*line, fields);
        if (!fields.empty()) return true;
    }
    return false;
}

// One property's value from its text, checked against its type.
template <typename Where>
double ValueOf(std::string_view text, const PlyProperty& property, const Where& where) {
    if (IsWhole(property.type)) {
        const auto whole = ParseWhole(text);
        if (!whole) throw Unreadable(where() + QuotedText(text) + " is not a whole number");
        const auto value = static_cast<double>(*whole);
        if (value < SmallestOf(property.type) || value > LargestOf(property.type))
            throw Unreadable(where() + QuotedText(text) + " is out of range for " +
                             std::string(NameOf(property.type)));
        return value;
    }
    auto value = ParseReal(text);
    if (!value) throw Unreadable(where() + QuotedText(text) + " is not a number");
    if (property.type == PlyType::Float32) value = static_cast<float>(*value);
    if (!std::isfinite(*value)) throw Unreadable(where() + QuotedText(text) + " is not a finite number");
    return *value;
}

void ReadAsciiElement(ByteSource& source, const PlyElement& element, Scene* scene) {
    if (scene != nullptr) {
        // Each value takes two bytes at least, its digit and a separator.
        const auto left = source.remaining().value_or(std::uint64_t{1} << 16);
        ReservePoints(*scene, element.count, left / (2 * element.properties.size()));
    }
    std::vector<std::string_view> fields;
    for (std::uint64_t index = 0; index < element.count; ++index) {
        if (!NextRecord(source, fields)) Truncated(element, index);
        // The message's start, made only for a record that fails.
        auto line = [&] { return "line " + std::to_string(source.lineNumber()) + ": "; };
        // The values the properties take, lists by their counts.
        std::uint64_t expected = 0;
        for (const PlyProperty& property : element.properties) {
            if (property.list && expected < fields.size()) {
                const std::string_view text = fields[expected];
                const auto count = ParseWhole(text);
                if (!count || *count < 0)
                    throw Unreadable(line() + "property " + property.name + ": " + QuotedText(text) +
                                     " is not a list's count");
                expected += static_cast<std::uint64_t>(*count);
            }
            ++expected;
        }
        if (expected != fields.size())
            throw Unreadable(line() + Record(element, index) + std::to_string(fields.size()) +
                             " values where " + std::to_string(expected) + " are expected");
        if (scene == nullptr) continue;
        ScenePoint point;
        std::size_t at = 0;
        for (const PlyProperty& property : element.properties) {
            const std::string_view text = fields[at];
            // A list's count was read above; a kept property is no list.
            at += property.list ? 1 + static_cast<std::size_t>(*ParseWhole(text)) : 1;
            if (property.role == Role::Skipped) continue;
            const double value =
                ValueOf(text, property, [&] { return line() + "property " + property.name + ": "; });
            if (!Give(point, property, value))
                throw Unreadable(line() + "property " + property.name + ": " + QuotedText(text) +
                                 " is not a finite number");
        }
        scene->points.push_back(point);
    }
}

}  // namespace

Scene ReadPly(ByteSource& source) {
    const PlyHeader header = ReadPlyHeader(source);
    Scene scene;
    scene.coloured = header.coloured;
    for (std::size_t e = 0; e < header.elements.size(); ++e) {
        const PlyElement& element = header.elements[e];
        // An element without properties has nothing in the file.
        if (element.properties.empty()) continue;
        Scene* kept = e == header.vertex ? &scene : nullptr;
        if (header.binary) {
            ReadBinaryElement(source, element, kept);
        } else {
            ReadAsciiElement(source, element, kept);
        }
    }
    if (header.binary && !source.atEnd()) {
        const auto left = source.remaining();
        throw Unreadable((left ? std::to_string(*left) + " bytes" : std::string("bytes")) +
                         " after the last element (a count too small?)");
    }
    std::vector<std::string_view> fields;
    if (!header.binary && NextRecord(source, fields))
        throw Unreadable("line " + std::to_string(source.lineNumber()) +
                         ": more lines than the header's elements hold");
    return scene;
}

}  // namespace marbleck::scenefile
