// The hologram of a picture through the installed engine's one call,
// MakeHologram, written as NumPy float32 byte for byte as marbleck-cli does:
//
//   hologram_npy OBJECT.pgm OUT.npy [--reps R] [--engine NAME]
//                [--random-phase [--seed N]]
//                [--binarize T|median|optimise [--budget SECONDS]]
//
// OBJECT is a binary PGM (P5, 8-bit); every pixel that is not 0 is a point.
// NAME is an entry of the engine table. --binarize T writes the values
// strictly above T as 1 and the others as 0; median takes the hologram's
// median for T (the binarization table's "balanced"); optimise is the
// table's "optimised", which runs for up to --budget seconds (default 2).
#include <charconv>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <marbleck/marbleck.h>

namespace {

// The next number of a PGM header, after blanks and # comments.
int HeaderNumber(std::istream& in) {
    in >> std::ws;
    while (in.peek() == '#') {
        in.ignore(1 << 20, '\n');
        in >> std::ws;
    }
    int value = 0;
    if (!(in >> value) || value <= 0) throw std::runtime_error("not a binary 8-bit PGM");
    return value;
}

// The object of a PGM: every pixel one sample, those not 0 lit.
marbleck::HologramObject ReadPgmObject(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char magic[2] = {};
    if (!in.read(magic, 2) || magic[0] != 'P' || magic[1] != '5')
        throw std::runtime_error("not a binary PGM (P5)");
    const int width = HeaderNumber(in);
    const int height = HeaderNumber(in);
    if (HeaderNumber(in) > 255) throw std::runtime_error("only 8-bit PGMs are read");
    in.get();  // the one blank before the pixels
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height);  // row by row, top first
    if (!in.read(reinterpret_cast<char*>(pixels.data()), static_cast<std::streamsize>(pixels.size())))
        throw std::runtime_error("the PGM is short");
    return marbleck::ObjectOfMask(pixels, width, height);
}

// The names of a table's entries, for a message.
template <typename Table>
std::string Names(const Table& table) {
    std::string names;
    for (const auto& entry : table) names += (names.empty() ? "" : ", ") + std::string(entry.name);
    return names;
}

// The number an option takes, all of its text.
template <class Number>
Number NumberOf(const std::string& option, const std::string& text) {
    Number value{};
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end)
        throw std::invalid_argument(option + " takes a number, not " + text);
    return value;
}

// --binarize as marbleck-cli takes it: a number T asks for "threshold" at T,
// "median" for "balanced", "optimise" for "optimised". Any other word must
// name a method of the table that needs no threshold.
marbleck::BinarizationRequest BinarizationOf(const std::string& text) {
    double threshold = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, threshold);
    if (!text.empty() && error == std::errc() && stop == end && std::isfinite(threshold))
        return {"threshold", threshold};
    const std::string name = text == "median" ? "balanced" : text == "optimise" ? "optimised" : text;
    const marbleck::BinarizationMethod* method = marbleck::FindBinarizationMethod(name);
    if (method == nullptr || method->takesThreshold)
        throw std::invalid_argument(
            "--binarize takes a number T, median or a method without a threshold (the "
            "table: " +
            Names(marbleck::BinarizationMethods()) + "), not " + text);
    return {name, 0};
}

// NumPy's format 1.0: the header padded with blanks to a multiple of 64
// bytes, then the values row by row (row v, then column u); a binarized
// field's 0 and 255 as 0 and 1.
void WriteNpy(const marbleck::HologramField& field, bool binarized, const std::string& path) {
    std::string header = "{'descr': '<f4', 'fortran_order': False, 'shape': (" +
                         std::to_string(field.rows()) + ", " + std::to_string(field.columns()) + "), }";
    const std::size_t preamble = 10;
    header.append((preamble + header.size() + 1 + 63) / 64 * 64 - preamble - header.size() - 1, ' ');
    header += '\n';
    std::ofstream out(path, std::ios::binary);
    out.write("\x93NUMPY\x01\x00", 8);
    out.put(static_cast<char>(header.size() & 0xff));
    out.put(static_cast<char>(header.size() >> 8));
    out << header;
    for (int v = 0; v < field.rows(); ++v)
        for (int u = 0; u < field.columns(); ++u) {
            const float value = binarized ? field(u, v) / 255.0f : field(u, v);
            out.write(reinterpret_cast<const char*>(&value), sizeof value);
        }
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    std::vector<std::string> files;
    marbleck::HologramRequest request;
    request.seed = std::random_device{}();
    std::optional<std::string> budgetText;
    try {
        for (std::size_t i = 0; i < arguments.size(); ++i) {
            const std::string& option = arguments[i];
            const bool hasValue = i + 1 < arguments.size();
            if (option == "--reps" && hasValue)
                request.reps = NumberOf<double>(option, arguments[++i]);
            else if (option == "--engine" && hasValue)
                request.engine = arguments[++i];
            else if (option == "--seed" && hasValue)
                request.seed = NumberOf<std::uint64_t>(option, arguments[++i]);
            else if (option == "--random-phase")
                request.randomPhase = true;
            else if (option == "--binarize" && hasValue)
                request.binarization = BinarizationOf(arguments[++i]);
            else if (option == "--budget" && hasValue)
                budgetText = arguments[++i];
            else
                files.push_back(option);
        }
        if (files.size() != 2)
            throw std::invalid_argument(
                "usage: hologram_npy OBJECT.pgm OUT.npy [--reps R] [--engine NAME] "
                "[--random-phase [--seed N]] [--binarize T|median|optimise [--budget SECONDS]]");
        if (budgetText) {
            const marbleck::BinarizationMethod* method =
                request.binarization ? marbleck::FindBinarizationMethod(request.binarization->method)
                                     : nullptr;
            if (method == nullptr || !method->takesBudget)
                throw std::invalid_argument("--budget needs --binarize optimise");
            const double budget = NumberOf<double>("--budget", *budgetText);
            if (!(budget > 0) || !std::isfinite(budget))
                throw std::invalid_argument("--budget takes a number above 0, not " + *budgetText);
            request.binarization->budgetSeconds = budget;
        }
        if (marbleck::FindCalculationEngine(request.engine) == nullptr)
            throw std::invalid_argument("unknown engine " + request.engine + " (" +
                                        Names(marbleck::CalculationEngines()) + ")");

        request.object = ReadPgmObject(files[0]);
        const marbleck::HologramResult result = marbleck::MakeHologram(std::move(request));
        const bool binarized = result.binarization.has_value();
        WriteNpy(binarized ? result.binarization->field : result.field, binarized, files[1]);
        std::cerr << result.litSamples.size() << " points, " << result.field.columns() << " x "
                  << result.field.rows() << " values";
        if (binarized && result.binarization->optimisation) {
            const marbleck::OptimisationRecord& record = *result.binarization->optimisation;
            std::cerr << ", fidelity " << record.start.fidelity << " -> " << record.end.fidelity << " in "
                      << record.iterations << " steps, " << record.seconds << " s";
        } else if (binarized) {
            std::cerr << ", threshold " << result.binarization->threshold;
        }
        std::cerr << '\n';
        return 0;
    } catch (const std::invalid_argument& error) {
        // What was asked cannot be run: the options, or numbers in them.
        std::cerr << "hologram_npy: " << error.what() << '\n';
        return 1;
    } catch (const std::exception& error) {
        std::cerr << "hologram_npy: " << error.what() << '\n';
        return 2;
    }
}
