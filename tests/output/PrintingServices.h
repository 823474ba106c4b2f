#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>

namespace marbleck::test {

// A CUPS scheduler of the test's own (tools/printer.sh serve) with a cups-pdf
// queue as its default printer: its configuration, spool and socket lie in a
// temporary folder, and the system's printing service is never asked. It
// stops when this object goes, or when the test process ends.
class PrivateScheduler {
public:
    PrivateScheduler();
    ~PrivateScheduler();
    PrivateScheduler(const PrivateScheduler&) = delete;
    PrivateScheduler& operator=(const PrivateScheduler&) = delete;

    // Whether it runs; else why not.
    bool running() const { return !server_.isEmpty(); }
    QString whyNot() const { return whyNot_; }
    // The value for CUPS_SERVER: its domain socket.
    QString server() const { return server_; }
    // Its printer queue.
    QString queue() const { return queue_; }

private:
    QTemporaryDir folder_;
    QProcess script_;
    QString server_;
    QString queue_;
    QString whyNot_;
};

// A printing service that accepts connections and never answers: a listening
// socket that is never served, on a domain socket in a temporary folder or on
// a loopback TCP port.
class SilentService {
public:
    enum class Kind { DomainSocket, Loopback };
    explicit SilentService(Kind kind);
    ~SilentService();
    SilentService(const SilentService&) = delete;
    SilentService& operator=(const SilentService&) = delete;

    // The value for CUPS_SERVER; empty where no socket could be made.
    QString server() const { return server_; }

private:
    QTemporaryDir folder_;
    int socket_ = -1;
    QString server_;
};

// A printing user (the printing_user program) in an environment of its own:
// `home` as its home folder, `cupsServer` as its printing service, nothing
// of the test's printing settings.
struct PrintingUserRun {
    bool finished = false;  // within the deadline
    int exitCode = -1;
    QStringList facts;  // its report, a fact a line
    QString output;     // everything it wrote, for messages

    // The facts that start with `kind` and a blank, without that start.
    QStringList all(const QString& kind) const;
};
PrintingUserRun RunPrintingUser(const QStringList& prints, const QString& home, const QString& cupsServer,
                                std::chrono::seconds deadline);

// Where cups-pdf puts a job of this account's on `queue`: the output folder
// of its configuration (the queue's own file first), with ${HOME} and ${USER}
// the account's as the password database has them (not the environment's),
// and the folder for anonymous jobs.
QStringList CupsPdfFolders(const QString& queue);

// The system's printing service's view of its printers: `lpstat -d -p`, with
// the environment's CUPS_SERVER left out.
QString SystemPrinters();

}  // namespace marbleck::test
