#include "engine/scenes/PlyHeader.h"

#include <array>
#include <optional>
#include <string>
#include <utility>

#include "engine/core/QuotedText.h"
#include "engine/scenes/PointCloudFile.h"

namespace marbleck::scenefile {

namespace {

struct PlyTypeName {
    std::string_view name;
    PlyType type;
};

// Both spellings of every type: the original names and the sized ones.
constexpr std::array<PlyTypeName, 16> PlyTypeNames{{{"char", PlyType::Int8},
                                                    {"int8", PlyType::Int8},
                                                    {"uchar", PlyType::Uint8},
                                                    {"uint8", PlyType::Uint8},
                                                    {"short", PlyType::Int16},
                                                    {"int16", PlyType::Int16},
                                                    {"ushort", PlyType::Uint16},
                                                    {"uint16", PlyType::Uint16},
                                                    {"int", PlyType::Int32},
                                                    {"int32", PlyType::Int32},
                                                    {"uint", PlyType::Uint32},
                                                    {"uint32", PlyType::Uint32},
                                                    {"float", PlyType::Float32},
                                                    {"float32", PlyType::Float32},
                                                    {"double", PlyType::Float64},
                                                    {"float64", PlyType::Float64}}};

}  // namespace

std::size_t BytesOf(PlyType type) {
    switch (type) {
        case PlyType::Int8:
        case PlyType::Uint8:
            return 1;
        case PlyType::Int16:
        case PlyType::Uint16:
            return 2;
        case PlyType::Int32:
        case PlyType::Uint32:
        case PlyType::Float32:
            return 4;
        case PlyType::Float64:
            return 8;
    }
    return 0;
}

bool IsWhole(PlyType type) { return type != PlyType::Float32 && type != PlyType::Float64; }

double LargestOf(PlyType type) {
    switch (type) {
        case PlyType::Int8:
            return 127;
        case PlyType::Uint8:
            return 255;
        case PlyType::Int16:
            return 32767;
        case PlyType::Uint16:
            return 65535;
        case PlyType::Int32:
            return 2147483647.0;
        case PlyType::Uint32:
            return 4294967295.0;
        default:
            return 1;
    }
}

double SmallestOf(PlyType type) {
    switch (type) {
        case PlyType::Int8:
            return -128;
        case PlyType::Int16:
            return -32768;
        case PlyType::Int32:
            return -2147483648.0;
        default:
            return 0;
    }
}

std::string_view NameOf(PlyType type) {
    for (const auto& entry : PlyTypeNames)
        if (entry.type == type) return entry.name;
    return {};
}

namespace {

[[noreturn]] void HeaderFails(const std::string& reason) { throw Unreadable("header: " + reason); }

PlyType TypeNamed(std::string_view name, std::uint64_t line) {
    for (const auto& entry : PlyTypeNames)
        if (entry.name == name) return entry.type;
    HeaderFails("line " + std::to_string(line) + ": " + QuotedText(name) + " is no PLY type");
}

Role RoleOf(std::string_view name) {
    if (name == "x") return Role::X;
    if (name == "y") return Role::Y;
    if (name == "z") return Role::Z;
    if (name == "intensity") return Role::Intensity;
    if (name == "red") return Role::Red;
    if (name == "green") return Role::Green;
    if (name == "blue") return Role::Blue;
    return Role::Skipped;
}

void CheckVertexProperties(PlyHeader& header) {
    PlyElement& vertex = header.elements[header.vertex];
    std::array<const PlyProperty*, 8> found{};
    for (PlyProperty& property : vertex.properties) {
        property.role = RoleOf(property.name);
        if (property.role == Role::Skipped) continue;
        auto& slot = found[static_cast<std::size_t>(property.role)];
        if (slot != nullptr) HeaderFails("element vertex has property " + property.name + " twice");
        if (property.list) HeaderFails("property " + property.name + " of element vertex is a list");
        slot = &property;
    }
    for (const auto& [role, name] : {std::pair{Role::X, "x"}, {Role::Y, "y"}, {Role::Z, "z"}})
        if (found[static_cast<std::size_t>(role)] == nullptr)
            HeaderFails(std::string("element vertex has no property ") + name);
    const int colours = (found[static_cast<std::size_t>(Role::Red)] != nullptr) +
                        (found[static_cast<std::size_t>(Role::Green)] != nullptr) +
                        (found[static_cast<std::size_t>(Role::Blue)] != nullptr);
    if (colours != 0 && colours != 3)
        HeaderFails("element vertex has some of red, green, blue but not all three");
    header.coloured = colours == 3;
    // Colour wins over a grey intensity where a file has both.
    if (header.coloured)
        for (PlyProperty& property : vertex.properties)
            if (property.role == Role::Intensity) property.role = Role::Skipped;
}

}  // namespace

PlyHeader ReadPlyHeader(ByteSource& source) {
    PlyHeader header;
    std::vector<std::string_view> fields;
    bool format = false, vertexFound = false;
    while (true) {
        if (source.lineNumber() >= MaxPlyHeaderLines)
            HeaderFails("more than " + std::to_string(MaxPlyHeaderLines) + " lines");
        std::optional<std::string_view> line;
        try {
            line = source.line(MaxPlyHeaderBytes);
        } catch (const Unreadable&) {
            HeaderFails("larger than 64 KiB");  // one line longer than that
        }
        if (source.consumed() > MaxPlyHeaderBytes) HeaderFails("larger than 64 KiB");
        if (!line) HeaderFails("the file ends before end_header");
        const std::uint64_t number = source.lineNumber();
        SplitFields(*line, fields);
        if (number == 1) {
            if (fields.size() != 1 || fields[0] != "ply")
                throw Unreadable("not a PLY file (its first line is not \"ply\")");
            continue;
        }
        if (fields.empty()) continue;
        const std::string_view keyword = fields[0];
        auto fail = [&](const std::string& reason) {
            HeaderFails("line " + std::to_string(number) + ": " + reason);
        };
        if (keyword == "comment" || keyword == "obj_info") continue;
        if (keyword == "end_header") break;
        if (keyword == "format") {
            if (fields.size() != 3) fail("format needs its kind and version");
            if (fields[1] == "binary_big_endian")
                HeaderFails("binary_big_endian is not read (only ascii and binary_little_endian)");
            if (fields[1] != "ascii" && fields[1] != "binary_little_endian")
                fail(QuotedText(fields[1]) + " is no PLY format");
            if (fields[2] != "1.0") fail("version " + QuotedText(fields[2]) + " where 1.0 is read");
            header.binary = fields[1] == "binary_little_endian";
            format = true;
        } else if (keyword == "element") {
            const auto count = fields.size() == 3 ? ParseWhole(fields[2]) : std::nullopt;
            if (!count || *count < 0) fail("element needs a name and a count");
            header.elements.push_back({std::string(fields[1]), static_cast<std::uint64_t>(*count), {}});
            if (fields[1] == "vertex") {
                if (vertexFound) HeaderFails("element vertex twice");
                vertexFound = true;
                header.vertex = header.elements.size() - 1;
                if (header.elements.back().count > MaxScenePoints)
                    HeaderFails("element vertex has " + std::to_string(*count) + " vertices, more than the " +
                                std::to_string(MaxScenePoints) + " a scene may hold");
            }
        } else if (keyword == "property") {
            if (header.elements.empty()) fail("property before any element");
            PlyProperty property;
            if (fields.size() == 5 && fields[1] == "list") {
                property.list = true;
                property.countType = TypeNamed(fields[2], number);
                if (!IsWhole(property.countType)) fail("a list's count must be a whole type");
                property.type = TypeNamed(fields[3], number);
                property.name = fields[4];
            } else if (fields.size() == 3) {
                property.type = TypeNamed(fields[1], number);
                property.name = fields[2];
            } else {
                fail("property needs a type and a name");
            }
            header.elements.back().properties.push_back(property);
        } else {
            fail(QuotedText(keyword) + " is no header keyword");
        }
    }
    if (!format) HeaderFails("no format line");
    if (!vertexFound) HeaderFails("no element vertex");
    CheckVertexProperties(header);
    return header;
}

}  // namespace marbleck::scenefile
