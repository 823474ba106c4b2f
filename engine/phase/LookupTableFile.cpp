#include "engine/phase/LookupTableFile.h"

#include <stdexcept>
#include <string_view>

namespace marbleck {

namespace {

std::string TooLarge(const std::string& path) { return path + " is more than 1 MiB, not a lookup table"; }

}  // namespace

PhaseLookupTable ReadLookupTableFile(const std::string& path) {
    const RegularFile file(path);
    if (file.size() > MaxLookupFileBytes) ThrowFileAccessError(TooLarge(path));

    // One byte more than allowed tells a file that grew since it was looked at.
    std::string text(MaxLookupFileBytes + 1, '\0');
    std::size_t size = 0;
    while (size < text.size()) {
        const std::size_t got = file.read(text.data() + size, text.size() - size);
        if (got == 0) break;
        size += got;
    }
    if (size > MaxLookupFileBytes) ThrowFileAccessError(TooLarge(path));
    text.resize(size);
    try {
        return ParseLookupTable(text);
    } catch (const std::invalid_argument& error) {
        const std::string_view name = std::string_view(path).substr(path.rfind('/') + 1);
        throw LookupTableFileError(ErrorNumber::InvalidPropertyValue,
                                   "Invalid property value: " + std::string(name) + ": " + error.what(),
                                   error.what());
    }
}

}  // namespace marbleck
