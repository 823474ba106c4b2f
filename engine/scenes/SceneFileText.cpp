#include "engine/scenes/SceneFileText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <type_traits>

namespace marbleck::scenefile {

ByteSource::ByteSource(std::istream& stream, std::optional<std::uint64_t> size)
    : stream_(stream), size_(size), buffer_(Capacity) {}

void ByteSource::fill(std::size_t count) {
    if (end_ - begin_ >= count) return;
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    while (end_ < count && stream_) {
        stream_.read(buffer_.data() + end_, static_cast<std::streamsize>(buffer_.size() - end_));
        end_ += static_cast<std::size_t>(stream_.gcount());
    }
}

const unsigned char* ByteSource::take(std::size_t count) {
    fill(count);
    if (end_ - begin_ < count) return nullptr;
    const auto* bytes = reinterpret_cast<const unsigned char*>(buffer_.data() + begin_);
    begin_ += count;
    consumed_ += count;
    return bytes;
}

bool ByteSource::skip(std::uint64_t count) {
    while (count > 0) {
        const auto step = static_cast<std::size_t>(std::min<std::uint64_t>(count, Capacity));
        if (take(step) == nullptr) return false;
        count -= step;
    }
    return true;
}

std::optional<std::string_view> ByteSource::line(std::size_t longest) {
    auto tooLong = [&] {
        return Unreadable("line " + std::to_string(lines_ + 1) + ": longer than " + std::to_string(longest) +
                          " bytes");
    };
    std::size_t searched = 0;
    while (true) {
        const std::size_t buffered = end_ - begin_;
        const char* start = buffer_.data() + begin_;
        const auto* newline =
            static_cast<const char*>(std::memchr(start + searched, '\n', buffered - searched));
        const bool ended = newline == nullptr && (fill(buffered + 1), end_ - begin_ == buffered);
        if (newline == nullptr && !ended) {
            // The buffer may have moved; only the bytes after the searched ones are new.
            searched = buffered;
            if (buffered > longest + 1) throw tooLong();
            continue;
        }
        start = buffer_.data() + begin_;
        const std::size_t length = newline != nullptr ? static_cast<std::size_t>(newline - start) : buffered;
        if (ended && length == 0) return std::nullopt;
        std::string_view text(start, length);
        if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
        if (text.size() > longest) throw tooLong();
        ++lines_;
        const std::size_t used = length + (newline != nullptr ? 1 : 0);
        begin_ += used;
        consumed_ += used;
        return text;
    }
}

bool ByteSource::atEnd() {
    fill(1);
    return begin_ == end_;
}

std::optional<std::uint64_t> ByteSource::remaining() const {
    if (!size_) return std::nullopt;
    return *size_ > consumed_ ? *size_ - consumed_ : 0;
}

void SplitFields(std::string_view line, std::vector<std::string_view>& fields, std::string_view more) {
    fields.clear();
    auto separates = [&](char c) { return c == ' ' || c == '\t' || more.find(c) != std::string_view::npos; };
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && separates(line[at])) ++at;
        const std::size_t start = at;
        while (at < line.size() && !separates(line[at])) ++at;
        if (at > start) fields.push_back(line.substr(start, at - start));
    }
}

namespace {

template <typename Number>
std::optional<Number> Parse(std::string_view field) {
    if (field.size() > 1 && field[0] == '+' && field[1] != '-') field.remove_prefix(1);
    Number value{};
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if constexpr (std::is_floating_point_v<Number>) {
        // A real out of range is too large (infinite, refused as such) or
        // too small (zero) for a double.
        if (error == std::errc::result_out_of_range && end == field.data() + field.size()) {
            const std::size_t exponent = field.find_first_of("eE");
            const std::string_view whole = field.substr(0, std::min(exponent, field.find('.')));
            const bool tiny =
                (exponent != std::string_view::npos && field.substr(exponent + 1).starts_with('-')) ||
                whole.find_first_not_of("+-0") == std::string_view::npos;
            if (tiny) return Number{0};
            return field[0] == '-' ? -HUGE_VAL : HUGE_VAL;
        }
    }
    if (error != std::errc() || end != field.data() + field.size()) return std::nullopt;
    return value;
}

}  // namespace

std::optional<double> ParseReal(std::string_view field) { return Parse<double>(field); }
std::optional<long long> ParseWhole(std::string_view field) { return Parse<long long>(field); }

void ReservePoints(Scene& scene, std::uint64_t count, std::uint64_t affordable) {
    scene.points.reserve(static_cast<std::size_t>(std::min(count, affordable)));
}

}  // namespace marbleck::scenefile
