#include <QApplication>
#include <QCommandLineParser>
#include <csignal>
#include <cstring>

#include "app/ApplicationIcon.h"
#include "app/Document.h"
#include "app/EngineWarmUp.h"
#include "app/MainWindow.h"
#include "platform/BlasThreads.h"

namespace {

void NameTheProgram() {
    QCoreApplication::setOrganizationName(QStringLiteral("Marbleck"));
    QCoreApplication::setApplicationName(QStringLiteral("Marbleck"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MARBLECK_VERSION));
}

// Answers --help and --version (and refuses an unknown option) and exits;
// returns when the window is to open.
void ProcessOptions(const QCoreApplication& app) {
    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Draw an object and calculate its computer-generated hologram."));
    options.addHelpOption();
    options.addVersionOption();
    options.process(app);
}

// Whether the command line only asks for text, which needs no display.
bool AsksForTextOnly(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"-h", "--help", "-?", "--help-all", "-v", "--version"})
            if (std::strcmp(argv[i], option) == 0) return true;
    return false;
}

}  // namespace

int main(int argc, char* argv[]) {
    marbleck::RestartWithOneBlasThread(argv);
    marbleck::EngineWarmUp::KeepFreedBlocks();
    // A file-size limit then fails the save with "Disk full" instead of
    // ending the program and everything unsaved.
    std::signal(SIGXFSZ, SIG_IGN);
    if (AsksForTextOnly(argc, argv)) {
        QCoreApplication app(argc, argv);
        NameTheProgram();
        ProcessOptions(app);
        return 0;
    }
    QApplication app(argc, argv);
    NameTheProgram();
    QApplication::setWindowIcon(marbleck::ApplicationIcon());
    ProcessOptions(app);

    marbleck::Document document;
    marbleck::MainWindow window(document);
    window.show();
    return QApplication::exec();
}
