#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace marbleck {

// How many of a file's first bytes NotABitmapReason looks at.
inline constexpr std::size_t PictureSignatureBytes = 16;

// Why a file whose first bytes are `head` is not a bitmap, said of the file:
// "is a PNG image, not a bitmap" for the kinds of picture and document that
// other programs write, "is not a bitmap ..." for anything else that does not
// begin with the bitmap signature "BM". Empty for a file that begins with "BM"
// and for one too short to hold a signature (its headers are too short too).
std::optional<std::string> NotABitmapReason(std::span<const std::uint8_t> head);

}  // namespace marbleck
