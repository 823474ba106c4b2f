#include "cli/KindCommandLine.h"

#include <QCommandLineOption>
#include <QString>
#include <stdexcept>
#include <string>
#include <string_view>

#include "cli/CliOptions.h"
#include "input/picture/NativeFileName.h"

namespace marbleck::cli {

namespace {

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string LongName(std::string_view name) { return "--" + std::string(name); }

void Add(QCommandLineParser& parser, const KindOption& option) {
    if (!parser.addOption(QCommandLineOption(Text(option.name), Text(option.help), Text(option.valueName))))
        throw std::logic_error("the command line has " + LongName(option.name) + " twice");
}

// The parsed command line's values, a file's name as its own bytes.
class ParsedValues : public KindOptionValues {
public:
    ParsedValues(const QCommandLineParser& parser, const HologramKind& kind) : parser_(parser), kind_(kind) {}

    bool isSet(std::string_view name) const override { return parser_.isSet(Text(name)); }
    std::string value(std::string_view name) const override {
        if (!isSet(name)) return {};
        const QString text = parser_.value(Text(name));
        for (const KindOption& option : kind_.options)
            if (option.name == name && option.fileName) return EncodeNativeFileName(text).toStdString();
        return text.toStdString();
    }

private:
    const QCommandLineParser& parser_;
    const HologramKind& kind_;
};

std::shared_ptr<const KindPostProcessing> ReadOptions(const QCommandLineParser& parser,
                                                      const HologramKind& kind) {
    if (kind.readOptions == nullptr) return nullptr;
    try {
        return kind.readOptions(ParsedValues(parser, kind));
    } catch (const KindOptionError& error) {
        throw UsageError(error.what());
    }
}

}  // namespace

KindCommandLine::KindCommandLine(std::span<const HologramKind* const> kinds) : kinds_(kinds) {
    if (kinds_.empty()) throw std::logic_error("no kind of hologram");
}

void KindCommandLine::addFirstKindsOptions(QCommandLineParser& parser) const {
    for (const KindOption& option : kinds_.front()->options) Add(parser, option);
}

void KindCommandLine::addOtherKinds(QCommandLineParser& parser) const {
    for (const HologramKind* kind : kinds_.subspan(1)) {
        Add(parser, kind->choice);
        for (const KindOption& option : kind->options) Add(parser, option);
    }
}

std::shared_ptr<const KindPostProcessing> KindCommandLine::readFirstKind(
    const QCommandLineParser& parser) const {
    return ReadOptions(parser, *kinds_.front());
}

KindChoice KindCommandLine::choose(const QCommandLineParser& parser,
                                   std::shared_ptr<const KindPostProcessing> first) const {
    const HologramKind* chosen = kinds_.front();
    for (const HologramKind* kind : kinds_.subspan(1)) {
        if (!parser.isSet(Text(kind->choice.name))) continue;
        if (chosen != kinds_.front())
            throw UsageError(LongName(chosen->choice.name) + " and " + LongName(kind->choice.name) +
                             " choose different kinds of hologram; give one");
        chosen = kind;
    }
    // Each would be silently ignored by the chosen kind's hologram.
    for (const HologramKind* kind : kinds_.subspan(1)) {
        if (kind == chosen) continue;
        for (const KindOption& option : kind->options)
            if (parser.isSet(Text(option.name)))
                throw UsageError(LongName(option.name) + " needs " + LongName(kind->choice.name));
    }
    if (chosen == kinds_.front()) return {chosen, std::move(first)};
    KindChoice choice{chosen, ReadOptions(parser, *chosen)};
    for (const KindOption& option : kinds_.front()->options)
        if (parser.isSet(Text(option.name)))
            throw UsageError(LongName(option.name) + " is for " + std::string(kinds_.front()->plural) +
                             ", not " + LongName(chosen->choice.name));
    return choice;
}

}  // namespace marbleck::cli
