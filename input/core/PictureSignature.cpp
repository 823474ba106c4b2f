#include "input/core/PictureSignature.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace marbleck {

namespace {

struct Signature {
    std::size_t offset;  // where the signature's bytes begin in the file
    std::string_view bytes;
    const char* kind;
};

using namespace std::string_view_literals;

// Published file signatures of the pictures (and a few documents) most likely
// to be found under a .bmp name.
constexpr std::array Signatures{
    Signature{0, "\x89PNG\r\n\x1a\n"sv, "a PNG image"},
    Signature{0, "\xff\xd8\xff"sv, "a JPEG image"},
    Signature{0, "GIF87a"sv, "a GIF image"},
    Signature{0, "GIF89a"sv, "a GIF image"},
    Signature{0, "/* XPM */"sv, "an XPM image"},
    Signature{0, "! XPM2"sv, "an XPM image"},
    Signature{0, "II*\0"sv, "a TIFF image"},
    Signature{0, "MM\0*"sv, "a TIFF image"},
    Signature{8, "WEBP"sv, "a WebP image"},
    Signature{4, "ftypavif"sv, "an AVIF image"},
    Signature{4, "ftyphei"sv, "a HEIF image"},
    Signature{4, "ftypmif1"sv, "a HEIF image"},
    Signature{0, "\0\0\0\x0cjP  \r\n\x87\n"sv, "a JPEG 2000 image"},
    Signature{0, "\0\0\1\0"sv, "a Windows icon"},
    Signature{0, "\0\0\2\0"sv, "a Windows cursor"},
    Signature{0, "icns"sv, "a macOS icon"},
    Signature{0, "8BPS"sv, "a Photoshop image"},
    Signature{0, "qoif"sv, "a QOI image"},
    Signature{0, "DDS "sv, "a DirectDraw surface"},
    Signature{0, "#define "sv, "an XBM image"},
    Signature{0, "<svg"sv, "an SVG image"},
    Signature{0, "<?xml"sv, "an XML document"},
    Signature{0, "%PDF"sv, "a PDF document"},
    Signature{0, "%!PS"sv, "a PostScript document"},
    Signature{0, "PK\3\4"sv, "a ZIP archive"},
    Signature{0, "\x1f\x8b"sv, "a gzip archive"},
    // OS/2 arrays of bitmaps, icons and pointers share the bitmap's header.
    Signature{0, "BA"sv, "an OS/2 bitmap array"},
    Signature{0, "CI"sv, "an OS/2 colour icon"},
    Signature{0, "CP"sv, "an OS/2 colour pointer"},
    Signature{0, "IC"sv, "an OS/2 icon"},
    Signature{0, "PT"sv, "an OS/2 pointer"},
};

bool startsWith(std::span<const std::uint8_t> head, const Signature& signature) {
    if (head.size() < signature.offset + signature.bytes.size()) return false;
    return std::equal(
        signature.bytes.begin(), signature.bytes.end(), head.begin() + signature.offset,
        [](char expected, std::uint8_t found) { return static_cast<std::uint8_t>(expected) == found; });
}

// Portable anymap images begin with P1 to P7 and a blank.
bool isNetpbm(std::span<const std::uint8_t> head) {
    return head.size() >= 3 && head[0] == 'P' && head[1] >= '1' && head[1] <= '7' &&
           (head[2] == ' ' || head[2] == '\n' || head[2] == '\r' || head[2] == '\t');
}

}  // namespace

std::optional<std::string> NotABitmapReason(std::span<const std::uint8_t> head) {
    if (head.size() < 2 || (head[0] == 'B' && head[1] == 'M')) return std::nullopt;
    for (const Signature& signature : Signatures) {
        if (startsWith(head, signature)) {
            return "is " + std::string(signature.kind) + ", not a bitmap";
        }
    }
    if (isNetpbm(head)) return std::string("is a Netpbm image, not a bitmap");
    return std::string("is not a bitmap: it does not begin with the bitmap signature \"BM\"");
}

}  // namespace marbleck
