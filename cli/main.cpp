// marbleck-cli: the hologram of object images, for scripts. Needs no display.
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>

#include "cli/CliOptions.h"
#include "cli/ExitStatus.h"
#include "cli/ObjectExport.h"
#include "cli/OutputCollisions.h"
#include "input/picture/NativeFileName.h"
#include "platform/BlasThreads.h"
#include "platform/OutOfResources.h"

using namespace marbleck::cli;
using marbleck::DecodeNativeFileName;
using marbleck::EncodeNativeFileName;

namespace {

// The file is named by its own bytes, even where they are not text.
void PrintError(const QString& file, const QString& reason) {
    QByteArray line("marbleck-cli: ");
    if (!file.isEmpty()) line += EncodeNativeFileName(file) + ": ";
    line += reason.toLocal8Bit() + '\n';
    std::fputs(line.constData(), stderr);
}

// The arguments as given: file names keep bytes that are not UTF-8, which
// QCoreApplication::arguments() would replace.
QStringList RawArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments.append(DecodeNativeFileName(QByteArray(argv[i])));
    return arguments;
}

// A one-line bar on standard error: points done and the time left, then
// the share of an iterative stage done ("optimising" a binarization,
// "refining" a phase hologram).
class ProgressLine {
public:
    ProgressLine(const QString& object, const char* stage)
        : object_(EncodeNativeFileName(object)), stage_(stage) {
        timer_.start();
    }
    ~ProgressLine() {
        if (shown_) std::fputs("\r\033[K", stderr);
    }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void points(long long done, long long total) {
        if (!due()) return;
        const double fraction = total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 1.0;
        const double left =
            fraction > 0 ? static_cast<double>(timer_.elapsed()) / 1000.0 * (1 - fraction) / fraction : 0;
        draw(fraction, QString::asprintf("%lld/%lld points, %.0f s left", done, total, left).toLatin1());
    }

    void binarization(double fraction) {
        if (!due()) return;
        draw(fraction,
             QString::asprintf("%s, %.0f %%", stage_, std::clamp(fraction, 0.0, 1.0) * 100).toLatin1());
    }

    ExportProgress reports() {
        return {[this](long long done, long long total) { points(done, total); },
                [this](double fraction) { binarization(fraction); }};
    }

private:
    // At most five lines a second.
    bool due() {
        if (lastDraw_ >= 0 && timer_.elapsed() - lastDraw_ < 200) return false;
        lastDraw_ = timer_.elapsed();
        return true;
    }

    void draw(double fraction, const QByteArray& text) {
        const int width = 30;
        const int filled = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * width);
        std::fprintf(stderr, "\r%s [%s%s] %s\033[K", object_.constData(), QByteArray(filled, '#').constData(),
                     QByteArray(width - filled, ' ').constData(), text.constData());
        shown_ = true;
    }

    QByteArray object_;
    const char* stage_;
    QElapsedTimer timer_;
    qint64 lastDraw_ = -1;
    bool shown_ = false;
};

// Qt's own warnings (an image plug-in's, say) would break the one line per
// failure that scripts read; the failure itself is reported by the caller.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg || type == QtCriticalMsg) PrintError({}, message);
}

}  // namespace

// OpenBLAS's threads that cannot start (a process limit) restart the
// program with one, instead of ending it before main.
MARBLECK_BLAS_START_WATCH;

int main(int argc, char** argv) {
    marbleck::EndBlasStartWatch();
    marbleck::RestartWithOneBlasThread(argv);
    // A file-size limit then fails the write (EFBIG), which the writer
    // reports, instead of ending the program without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    qInstallMessageHandler(QuietMessages);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("marbleck-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MARBLECK_VERSION));

    ParsedCommandLine parsed;
    try {
        parsed = ParseCommandLine(RawArguments(argc, argv));
    } catch (const UsageError& error) {
        PrintError({}, QString::fromStdString(error.what()));
        std::fputs("Try 'marbleck-cli --help'.\n", stderr);
        return ExitStatus::Usage;
    }
    if (parsed.action != ParsedCommandLine::Action::Run) {
        std::fputs(parsed.text.toLocal8Bit().constData(), stdout);
        return ExitStatus::Success;
    }
    CliOptions options = parsed.options;
    // The files the kind's post-processing reads (a lookup table).
    std::vector<ReadFile> reads;
    if (options.postProcessing)
        for (const marbleck::KindInputFile& file : options.postProcessing->inputFiles())
            reads.push_back({DecodeNativeFileName(QByteArray::fromStdString(file.path)),
                             QString::fromStdString(file.role)});
    // Nothing is written while any output would replace an object, a file
    // the kind reads or another output of the same run.
    if (const QStringList collisions =
            FindOutputCollisions(options.objects, options.output, options.reconstruct, reads,
                                 options.postProcessing && options.postProcessing->complexValues());
        !collisions.isEmpty()) {
        for (const QString& collision : collisions) PrintError({}, collision);
        return ExitStatus::Usage;
    }
    // Read once for every object; a bad one stops the run before any work.
    if (!reads.empty()) {
        try {
            if (auto read = options.postProcessing->readInputFiles())
                options.postProcessing = std::move(read);
        } catch (const marbleck::KindInputFileError& error) {
            PrintError(DecodeNativeFileName(QByteArray::fromStdString(error.file())),
                       QString::fromStdString(error.what()));
            return ExitStatus::Input;
        } catch (const std::exception& error) {
            PrintError(reads.front().path, marbleck::IsOutOfResources(error)
                                               ? QStringLiteral("out of memory")
                                               : QString::fromLocal8Bit(error.what()));
            return ExitStatus::Input;
        }
    }
    const QByteArray iterativeStage(options.kind->progressStage.data(),
                                    static_cast<qsizetype>(options.kind->progressStage.size()));

    std::uint64_t seed = options.seed.value_or(0);
    if (options.randomPhase && !options.seed) {
        seed =
            static_cast<std::uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
        std::fprintf(stderr, "marbleck-cli: random phases from seed %llu (repeat with --seed %llu)\n",
                     static_cast<unsigned long long>(seed), static_cast<unsigned long long>(seed));
    }
    const bool showProgress = !options.quiet && isatty(STDERR_FILENO);

    int status = ExitStatus::Success;
    for (const QString& object : options.objects) {
        const QString output = OutputPathFor(options.output, object);
        const QString reconstruction =
            options.reconstruct.isEmpty() ? QString() : OutputPathFor(options.reconstruct, object);
        try {
            ExportSummary summary;
            if (showProgress) {
                ProgressLine line(object, iterativeStage.constData());
                summary = ExportObject(options, object, output, seed, line.reports(), reconstruction);
            } else {
                summary = ExportObject(options, object, output, seed, {}, reconstruction);
            }
            if (options.report) {
                std::fputs(SummaryJson(summary).append('\n').constData(), stdout);
                std::fflush(stdout);
            }
        } catch (const ExportError& error) {
            PrintError(error.file(), QString::fromStdString(error.what()));
            status = std::max(status, error.status());
        } catch (const std::exception& error) {
            // The last resort: whatever else stopped this object stops only it.
            PrintError(object, marbleck::IsOutOfResources(error) ? QStringLiteral("out of memory")
                                                                 : QString::fromLocal8Bit(error.what()));
            status = std::max(status, int{ExitStatus::Input});
        }
    }
    return status;
}
