#include <gtest/gtest.h>
#include <sys/stat.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "FileFolder.h"
#include "engine/scenes/PointCloudFile.h"

namespace marbleck {
namespace {

// The bytes of `value` as a little-endian PLY stores them.
template <typename Value>
std::string Bytes(Value value) {
    std::string bytes(sizeof(Value), '\0');
    std::memcpy(bytes.data(), &value, sizeof(Value));
    static_assert(std::endian::native == std::endian::little);
    return bytes;
}

std::string BinaryHeader(const std::string& body) {
    return "ply\nformat binary_little_endian 1.0\n" + body + "end_header\n";
}

class PointCloudFile : public test::FileFolder {
protected:
    Scene read(const std::string& name, const std::string& content) {
        const std::string path = write(name, content);
        return ReadPointCloudFile(path, *SceneFileKindOf(path));
    }
};

// Every PLY scalar type, in both spellings, carries coordinates in binary and
// in ASCII; a whole type's intensity is divided by the type's largest value.
TEST_F(PointCloudFile, EveryScalarTypeInBothFormats) {
    struct TypeCase {
        const char* names[2];
        std::string (*binary)(int);
        double largest;
    };
    const TypeCase cases[] = {
        {{"char", "int8"}, [](int v) { return Bytes(static_cast<std::int8_t>(v)); }, 127},
        {{"uchar", "uint8"}, [](int v) { return Bytes(static_cast<std::uint8_t>(v)); }, 255},
        {{"short", "int16"}, [](int v) { return Bytes(static_cast<std::int16_t>(v)); }, 32767},
        {{"ushort", "uint16"}, [](int v) { return Bytes(static_cast<std::uint16_t>(v)); }, 65535},
        {{"int", "int32"}, [](int v) { return Bytes(static_cast<std::int32_t>(v)); }, 2147483647.0},
        {{"uint", "uint32"}, [](int v) { return Bytes(static_cast<std::uint32_t>(v)); }, 4294967295.0},
        {{"float", "float32"}, [](int v) { return Bytes(static_cast<float>(v)); }, 1},
        {{"double", "float64"}, [](int v) { return Bytes(static_cast<double>(v)); }, 1},
    };
    for (const TypeCase& type : cases) {
        for (const char* name : type.names) {
            const std::string properties = std::string("property ") + name + " x\nproperty " + name +
                                           " y\nproperty " + name + " z\nproperty " + name + " intensity\n";
            const std::string header = "element vertex 2\n" + properties;
            const std::string binary = BinaryHeader(header) + type.binary(3) + type.binary(7) +
                                       type.binary(100) + type.binary(5) + type.binary(0) + type.binary(1) +
                                       type.binary(2) + type.binary(100);
            const std::string ascii =
                "ply\nformat ascii 1.0\n" + header + "end_header\n3 7 100 5\n0 1 2 100\n";
            for (const std::string& content : {binary, ascii}) {
                const Scene scene = read("typed.ply", content);
                ASSERT_EQ(scene.points.size(), 2u) << name;
                EXPECT_FALSE(scene.coloured);
                EXPECT_EQ(scene.points[0].x, 3) << name;
                EXPECT_EQ(scene.points[0].y, 7) << name;
                EXPECT_EQ(scene.points[0].z, 100) << name;
                EXPECT_EQ(scene.points[1].y, 1) << name;
                EXPECT_FLOAT_EQ(scene.points[0].colour[1], static_cast<float>(5 / type.largest)) << name;
                EXPECT_FLOAT_EQ(scene.points[1].colour[2], static_cast<float>(100 / type.largest)) << name;
            }
        }
    }
}

// Colours, properties the reader does not keep, lists of faces and other
// elements before and after the vertices, in both formats.
TEST_F(PointCloudFile, ColoursExtraPropertiesAndOtherElements) {
    const std::string header =
        "comment made by hand\nobj_info scanner 1\nelement camera 1\nproperty float view\nproperty uchar id\n"
        "element vertex 2\nproperty double x\nproperty float nx\nproperty double y\nproperty double z\n"
        "property uchar red\nproperty uchar green\nproperty uchar blue\nproperty list uchar int extra\n"
        "element face 2\nproperty list uchar int vertex_indices\nproperty uchar flags\n";
    const std::string ascii = "ply\nformat ascii 1.0\n" + header +
                              "end_header\n0.5 9\n\n0.01 -1 -0.02 0.1 255 0 51 0\n"
                              "-0.01 1 0.02 0.15 0 128 255 2 4 5\n3 0 1 1 0\n4 0 1 1 0 7\n";
    const std::string binary = BinaryHeader(header) + Bytes(0.5f) + Bytes<std::uint8_t>(9) + Bytes(0.01) +
                               Bytes(-1.0f) + Bytes(-0.02) + Bytes(0.1) + std::string("\xFF\x00\x33", 3) +
                               Bytes<std::uint8_t>(0) + Bytes(-0.01) + Bytes(1.0f) + Bytes(0.02) +
                               Bytes(0.15) + std::string("\x00\x80\xFF", 3) + Bytes<std::uint8_t>(2) +
                               Bytes(4) + Bytes(5) + Bytes<std::uint8_t>(3) + Bytes(0) + Bytes(1) + Bytes(1) +
                               Bytes<std::uint8_t>(0) + Bytes<std::uint8_t>(4) + Bytes(0) + Bytes(1) +
                               Bytes(1) + Bytes(0) + Bytes<std::uint8_t>(7);
    for (const std::string& content : {ascii, binary}) {
        const Scene scene = read("colour.ply", content);
        ASSERT_EQ(scene.points.size(), 2u);
        EXPECT_TRUE(scene.coloured);
        EXPECT_EQ(scene.points[0].x, 0.01);
        EXPECT_EQ(scene.points[0].y, -0.02);
        EXPECT_EQ(scene.points[1].z, 0.15);
        EXPECT_EQ(scene.points[0].colour, (std::array<float, 3>{1.0f, 0.0f, 0.2f}));
        EXPECT_EQ(scene.points[1].colour,
                  (std::array<float, 3>{0.0f, static_cast<float>(128 / 255.0), 1.0f}));
    }
}

TEST_F(PointCloudFile, XyzFieldsSeparatorsAndComments) {
    EXPECT_EQ(read("bom.xyz",
                   "\xEF\xBB\xBF"
                   "0.5 0 1\n")
                  .points.at(0)
                  .x,
              0.5);
    const Scene scene =
        read("cloud.XYZ",
             "\xEF\xBB\xBF# x y z amplitude\r\n\r\n0.001 -0.002 0.1\r\n  1e-3,2.5E-3,+0.12,0.25\n"
             "\t-0.004; 0; 0.09 ;0.5\n#last\n-1 -2 3");
    ASSERT_EQ(scene.points.size(), 4u);
    EXPECT_FALSE(scene.coloured);
    EXPECT_EQ(scene.points[0].x, 0.001);
    EXPECT_EQ(scene.points[0].colour, (std::array<float, 3>{1.0f, 1.0f, 1.0f}));
    EXPECT_EQ(scene.points[1].y, 2.5e-3);
    EXPECT_EQ(scene.points[1].z, 0.12);
    EXPECT_EQ(scene.points[1].colour, (std::array<float, 3>{0.25f, 0.25f, 0.25f}));
    EXPECT_EQ(scene.points[2].x, -0.004);
    EXPECT_EQ(scene.points[2].colour[0], 0.5f);
    EXPECT_EQ(scene.points[3].z, 3);
}

struct Hostile {
    const char* what;
    const char* name;
    std::string content;
    std::string reason;
};

std::string Repeated(const std::string& text, int times) {
    std::string all;
    for (int i = 0; i < times; ++i) all += text;
    return all;
}

const std::string VertexXyz = "element vertex 2\nproperty float x\nproperty float y\nproperty float z\n";
const std::string AsciiXyz = "ply\nformat ascii 1.0\n" + VertexXyz + "end_header\n";

std::vector<Hostile> HostileFiles() {
    const std::string twoFloats = Bytes(0.1f) + Bytes(0.2f) + Bytes(0.3f) + Bytes(0.4f) + Bytes(0.5f);
    return {
        {"not ply", "a.ply", "PLY\nformat ascii 1.0\n", "not a PLY file (its first line is not \"ply\")"},
        {"no end", "a.ply", "ply\nformat ascii 1.0\n" + VertexXyz, "header: the file ends before end_header"},
        {"big header", "a.ply", "ply\n" + Repeated("comment " + std::string(100, 'c') + "\n", 700),
         "header: larger than 64 KiB"},
        {"header line", "a.ply", "ply\ncomment " + std::string(70000, 'c') + "\n",
         "header: larger than 64 KiB"},
        {"header lines", "a.ply", "ply\n" + Repeated("comment\n", 5000), "header: more than 4096 lines"},
        {"endian", "a.ply", "ply\nformat binary_big_endian 1.0\n" + VertexXyz + "end_header\n",
         "header: binary_big_endian is not read (only ascii and binary_little_endian)"},
        {"no z", "a.ply",
         "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nproperty float y\nend_header\n",
         "header: element vertex has no property z"},
        {"no vertex", "a.ply", "ply\nformat ascii 1.0\nelement face 0\nend_header\n",
         "header: no element vertex"},
        {"bad type", "a.ply", "ply\nformat ascii 1.0\nelement vertex 1\nproperty float17 x\n",
         "header: line 4: \"float17\" is no PLY type"},
        {"half colour", "a.ply",
         "ply\nformat ascii 1.0\n" + VertexXyz + "property uchar red\nproperty uchar green\nend_header\n",
         "header: element vertex has some of red, green, blue but not all three"},
        {"too many", "a.ply", "ply\nformat ascii 1.0\nelement vertex 50000001\nproperty float x\n",
         "header: element vertex has 50000001 vertices, more than the 50000000 a scene may hold"},
        {"count over size", "a.ply", BinaryHeader(VertexXyz) + Bytes(0.1f) + Bytes(0.2f),
         "element vertex: 2 vertices need at least 24 bytes, the file has 8 after its header"},
        {"count too small", "a.ply", BinaryHeader(VertexXyz) + twoFloats + twoFloats,
         "16 bytes after the last element (a count too small?)"},
        {"binary nan", "a.ply",
         BinaryHeader(VertexXyz) + twoFloats + Bytes(std::numeric_limits<float>::quiet_NaN()),
         "vertex 1: property z is not a finite number"},
        {"list truncated", "a.ply",
         BinaryHeader(VertexXyz + "element face 1\nproperty list uchar int vertex_indices\n") + twoFloats +
             Bytes(0.6f) + "\x03" + Bytes(0) + Bytes(1),
         "face 0: truncated (file ends)"},
        {"ascii truncated", "a.ply", AsciiXyz + "1 2 3\n", "vertex 1: truncated (file ends)"},
        {"ascii extra line", "a.ply", AsciiXyz + "1 2 3\n4 5 6\n7 8 9\n",
         "line 10: more lines than the header's elements hold"},
        {"ascii short record", "a.ply", AsciiXyz + "1 2\n",
         "line 8: vertex 0: 2 values where 3 are expected"},
        {"ascii nan", "a.ply", AsciiXyz + "1 2 3\n4 5 nan\n",
         "line 9: property z: \"nan\" is not a finite number"},
        {"ascii float overflow", "a.ply", AsciiXyz + "1 2 3\n4 1e39 0\n",
         "line 9: property y: \"1e39\" is not a finite number"},
        {"ascii bad number", "a.ply", AsciiXyz + "1.2.3 2 3\n",
         "line 8: property x: \"1.2.3\" is not a number"},
        {"ascii out of range", "a.ply",
         "ply\nformat ascii 1.0\n" + VertexXyz + "property uchar intensity\nend_header\n1 2 3 300\n",
         "line 9: property intensity: \"300\" is out of range for uchar"},
        {"xyz bad number", "a.xyz", "0 0 0.1\n0 0 abc\n", "line 2: field z: \"abc\" is not a number"},
        {"xyz fields", "a.xyz", "# x y\n0.1 0.2\n", "line 2: 2 fields where x y z or x y z a are expected"},
        {"xyz infinite", "a.xyz", "1e999 0 1\n", "line 1: field x: \"1e999\" is not a finite number"},
        {"xyz amplitude nan", "a.xyz", "0 0 1 NaN\n", "line 1: field a: \"NaN\" is not a finite number"},
        {"xyz long line", "a.xyz", std::string(5000, '1') + " 0 1\n", "line 1: longer than 4096 bytes"},
        {"xyz control bytes", "a.xyz", "\x1b[31m 0 1\n", "line 1: field x: \"\\x1B[31m\" is not a number"},
        {"xyz quoted short", "a.xyz", "0 0 " + std::string(40, 'q') + "\n",
         "line 1: field z: \"" + std::string(24, 'q') + "...\" is not a number"},
    };
}

// Each bad file fails with one error that names the file and says where and
// what, as a user sees it.
TEST_F(PointCloudFile, HostileFilesAreRefusedSayingWhere) {
    for (const Hostile& file : HostileFiles()) {
        try {
            read(file.name, file.content);
            ADD_FAILURE() << file.what << ": read";
        } catch (const SceneFileError& error) {
            EXPECT_EQ(error.number(), ErrorNumber::InvalidPicture) << file.what;
            EXPECT_EQ(error.reason(), file.reason) << file.what;
            EXPECT_EQ(error.description(), "Invalid picture: " + std::string(file.name) + ": " + file.reason)
                << file.what;
        }
    }
}

// The same from a stream that cannot seek: a count is found too large only
// when the bytes end.
TEST(PointCloudStream, UnseekableBinaryEndsInsideAVertex) {
    struct Forward : std::stringbuf {
        using std::stringbuf::stringbuf;
        pos_type seekoff(off_type, std::ios::seekdir, std::ios::openmode) override { return pos_type(-1); }
    } bytes(BinaryHeader(VertexXyz) + Bytes(0.1f) + Bytes(0.2f) + Bytes(0.3f) + Bytes(0.4f));
    std::istream stream(&bytes);
    try {
        ReadPointCloud(stream, "piped", SceneFileKind::Ply);
        ADD_FAILURE() << "read";
    } catch (const SceneFileError& error) {
        EXPECT_EQ(error.reason(), "vertex 1: truncated (file ends)");
    }
}

TEST_F(PointCloudFile, OnlyRegularFilesAreOpened) {
    const std::string fifo = folder_ + "/pipe.xyz";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::string path;
        int number;
        std::string reason;
    } cases[] = {
        {folder_ + "/missing.ply", ErrorNumber::FileNotFound, "File not found: " + folder_ + "/missing.ply"},
        {folder_, ErrorNumber::PathFileAccessError, "Path/File access error: " + folder_ + " is a folder"},
        {fifo, ErrorNumber::PathFileAccessError,
         "Path/File access error: " + fifo + " is not a regular file"},
    };
    for (const auto& file : cases) {
        try {
            ReadPointCloudFile(file.path, SceneFileKind::Xyz);
            ADD_FAILURE() << file.path;
        } catch (const SceneFileError& error) {
            EXPECT_EQ(error.number(), file.number);
            EXPECT_EQ(error.reason(), file.reason);
        }
    }
}

// Files changed byte by byte from good ones are read or refused with a
// SceneFileError, nothing else: no other exception, no read past a buffer.
TEST(PointCloudStream, DamagedFilesReadOrFailCleanly) {
    const std::string properties = VertexXyz +
                                   "property uchar red\nproperty uchar green\nproperty uchar blue\n" +
                                   "element face 1\nproperty list uchar int vertex_indices\n";
    const std::string vertex = Bytes(0.1f) + Bytes(0.2f) + Bytes(0.3f) + "abc";
    const std::string good[] = {
        BinaryHeader(properties) + vertex + vertex + "\x02" + Bytes(0) + Bytes(1),
        "ply\nformat ascii 1.0\n" + properties + "end_header\n0.1 0.2 0.3 1 2 3\n4 5 6 7 8 9\n2 0 1\n",
    };
    std::mt19937 random(29);
    int read = 0, refused = 0;
    for (const std::string& file : good) {
        for (int trial = 0; trial < 1500; ++trial) {
            std::string damaged = file;
            for (int change = 0; change < 3; ++change) {
                const std::size_t at = random() % damaged.size();
                damaged[at] = "\x00\xFF\n 9-e.x"[random() % 10];
            }
            if (trial % 5 == 0) damaged.resize(random() % damaged.size());
            std::istringstream stream(damaged);
            try {
                ReadPointCloud(stream, "damaged.ply", SceneFileKind::Ply);
                ++read;
            } catch (const SceneFileError& error) {
                EXPECT_EQ(error.number(), ErrorNumber::InvalidPicture);
                ++refused;
            }
        }
    }
    // Both outcomes occur, so the damage reaches the header and the body alike.
    EXPECT_GT(read, 0);
    EXPECT_GT(refused, 0);
}

TEST(SceneFileKind, ByExtensionInAnyCase) {
    EXPECT_EQ(SceneFileKindOf("a/b.ply"), SceneFileKind::Ply);
    EXPECT_EQ(SceneFileKindOf("B.PlY"), SceneFileKind::Ply);
    EXPECT_EQ(SceneFileKindOf("c.xyz"), SceneFileKind::Xyz);
    EXPECT_EQ(SceneFileKindOf("c.xyz.png"), std::nullopt);
    EXPECT_EQ(SceneFileKindOf("ply"), std::nullopt);
}

}  // namespace
}  // namespace marbleck
