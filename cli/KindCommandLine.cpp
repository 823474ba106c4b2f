#include "cli/KindCommandLine.h"

#include <QCommandLineOption>
#include <QFileInfo>
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

// A shared option is another kind's or a common one, which the command line
// has already.
void Add(QCommandLineParser& parser, const KindOption& option) {
    if (option.shared) return;
    if (!parser.addOption(QCommandLineOption(Text(option.name), Text(option.help), Text(option.valueName))))
        throw std::logic_error("the command line has " + LongName(option.name) + " twice");
}

bool HasOption(const HologramKind& kind, std::string_view name) {
    for (const KindOption& option : kind.options)
        if (option.name == name) return true;
    return false;
}

// The kind among `kinds` whose scene files `object` is one of, or null.
const HologramKind* KindOfSceneFile(std::span<const HologramKind* const> kinds, const QString& object) {
    const std::string extension = QFileInfo(object).suffix().toLower().toStdString();
    for (const HologramKind* kind : kinds)
        for (std::string_view files : kind->sceneFiles)
            if (files == extension) return kind;
    return nullptr;
}

// How a kind is chosen, as messages say it: "--phase", "a .ply or .xyz
// scene, or --depth-map DEPTH".
std::string SceneFilesText(const HologramKind& kind) {
    std::string files;
    for (std::size_t i = 0; i < kind.sceneFiles.size(); ++i)
        files += (i == 0                            ? "."
                  : i + 1 == kind.sceneFiles.size() ? " or ."
                                                    : ", .") +
                 std::string(kind.sceneFiles[i]);
    return files;
}

std::string HowToChoose(const HologramKind& kind) {
    const std::string choice =
        LongName(kind.choice.name) +
        (kind.choice.valueName.empty() ? "" : " " + std::string(kind.choice.valueName));
    if (kind.sceneFiles.empty()) return choice;
    return "a " + SceneFilesText(kind) + " scene, or " + choice;
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
        if (kind_.choice.name == name && kind_.choice.fileName)
            return EncodeNativeFileName(text).toStdString();
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
    std::string how;
    // A scene file chooses its kind; a run's objects are all of one kind.
    const QStringList objects = parser.positionalArguments();
    for (const QString& object : objects)
        if (const HologramKind* kind = KindOfSceneFile(kinds_, object)) {
            chosen = kind;
            how = "the scene " + object.toStdString();
        }
    if (chosen != kinds_.front())
        for (const QString& object : objects)
            if (KindOfSceneFile(kinds_, object) != chosen)
                throw UsageError(object.toStdString() + " is not a " + SceneFilesText(*chosen) +
                                 " scene; the objects of one run are all scenes or all pictures");
    for (const HologramKind* kind : kinds_.subspan(1)) {
        if (!parser.isSet(Text(kind->choice.name))) continue;
        if (chosen == kind)
            throw UsageError(LongName(kind->choice.name) + " is for a picture OBJECT, not " + how);
        if (chosen != kinds_.front())
            throw UsageError(how + " and " + LongName(kind->choice.name) +
                             " choose different kinds of hologram; give one");
        chosen = kind;
        how = LongName(kind->choice.name);
        // A switch that names a second file of the object goes with one object.
        if (kind->choice.fileName && objects.size() > 1)
            throw UsageError(LongName(kind->choice.name) + " " + std::string(kind->choice.valueName) +
                             " goes with one OBJECT");
    }
    // Each would be silently ignored by the chosen kind's hologram.
    for (const HologramKind* kind : kinds_.subspan(1)) {
        if (kind == chosen) continue;
        for (const KindOption& option : kind->options)
            if (!option.shared && parser.isSet(Text(option.name)) && !HasOption(*chosen, option.name))
                throw UsageError(LongName(option.name) + " needs " + HowToChoose(*kind));
    }
    if (chosen == kinds_.front()) return {chosen, std::move(first), {}};
    KindChoice choice{chosen, ReadOptions(parser, *chosen), how};
    for (const KindOption& option : kinds_.front()->options)
        if (parser.isSet(Text(option.name)) && !HasOption(*chosen, option.name))
            throw UsageError(LongName(option.name) + " is for " + std::string(kinds_.front()->plural) +
                             ", not " + how);
    return choice;
}

}  // namespace marbleck::cli
