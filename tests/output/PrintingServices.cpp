#include "PrintingServices.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>

#include <cstring>

namespace marbleck::test {

PrivateScheduler::PrivateScheduler() {
    if (!folder_.isValid()) {
        whyNot_ = QStringLiteral("no temporary folder");
        return;
    }
    script_.setProgram(QStringLiteral("bash"));
    script_.setArguments({QStringLiteral(MARBLECK_PRINTER_SCRIPT), QStringLiteral("serve"), folder_.path()});
    script_.start();
    // It answers with one line once its scheduler runs, or ends. It may wait
    // for another test run's scheduler to stop first.
    QElapsedTimer clock;
    clock.start();
    while (!script_.canReadLine() && script_.state() != QProcess::NotRunning && clock.elapsed() < 240000)
        script_.waitForReadyRead(500);
    const QString line = QString::fromLocal8Bit(script_.readLine()).trimmed();
    if (line.startsWith(QStringLiteral("CUPS_SERVER="))) {
        server_ = line.mid(12);
        QFile queue(QDir(folder_.path()).filePath(QStringLiteral("queue")));
        if (queue.open(QIODevice::ReadOnly)) queue_ = QString::fromLocal8Bit(queue.readAll()).trimmed();
    } else {
        script_.waitForFinished(10000);
        whyNot_ = QString::fromLocal8Bit(script_.readAllStandardError()).trimmed();
        if (whyNot_.isEmpty()) whyNot_ = QStringLiteral("tools/printer.sh did not start it");
    }
}

PrivateScheduler::~PrivateScheduler() {
    if (script_.state() == QProcess::NotRunning) return;
    script_.closeWriteChannel();
    if (!script_.waitForFinished(30000)) {
        script_.terminate();
        script_.waitForFinished(10000);
    }
}

SilentService::SilentService(Kind kind) {
    if (kind == Kind::DomainSocket) {
        const QByteArray path = QDir(folder_.path()).filePath(QStringLiteral("silent.sock")).toLocal8Bit();
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (!folder_.isValid() || size_t(path.size()) >= sizeof address.sun_path) return;
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        socket_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (socket_ < 0 || ::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(socket_, 16) != 0)
            return;
        server_ = QString::fromLocal8Bit(path);
    } else {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        socklen_t length = sizeof address;
        socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
        if (socket_ < 0 || ::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(socket_, 16) != 0 ||
            ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        server_ = QStringLiteral("127.0.0.1:%1").arg(ntohs(address.sin_port));
    }
}

SilentService::~SilentService() {
    if (socket_ >= 0) ::close(socket_);
}

QStringList PrintingUserRun::all(const QString& kind) const {
    QStringList found;
    for (const QString& fact : facts)
        if (fact.startsWith(kind + QLatin1Char(' '))) found << fact.mid(kind.size() + 1);
    return found;
}

PrintingUserRun RunPrintingUser(const QStringList& prints, const QString& home, const QString& cupsServer,
                                std::chrono::seconds deadline) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LPDEST", "PRINTER", "CUPS_USER", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("CUPS_SERVER"), cupsServer);

    QProcess user;
    user.setProcessEnvironment(environment);
    user.setProcessChannelMode(QProcess::MergedChannels);
    user.start(QStringLiteral(MARBLECK_PRINTING_USER), prints);
    PrintingUserRun run;
    run.finished = user.waitForFinished(int(std::chrono::milliseconds(deadline).count()));
    if (!run.finished) {
        user.kill();
        user.waitForFinished(10000);
    }
    run.exitCode = user.exitStatus() == QProcess::NormalExit ? user.exitCode() : -1;
    run.output = QString::fromLocal8Bit(user.readAll());
    for (const QString& line : run.output.split(QLatin1Char('\n'))) run.facts << line;
    return run;
}

QStringList CupsPdfFolders(const QString& queue) {
    QString out = QStringLiteral("${HOME}/PDF");
    QString anonymous = QStringLiteral("/var/spool/cups-pdf/ANONYMOUS");
    QFile conf(QStringLiteral("/etc/cups/cups-pdf-%1.conf").arg(queue));
    if (!conf.exists()) conf.setFileName(QStringLiteral("/etc/cups/cups-pdf.conf"));
    if (conf.open(QIODevice::ReadOnly | QIODevice::Text)) {
        const QRegularExpression setting(QStringLiteral("^\\s*(\\w+)\\s+(\\S+)"));
        while (!conf.atEnd()) {
            const auto match = setting.match(QString::fromLocal8Bit(conf.readLine()));
            if (match.captured(1) == QLatin1String("Out")) out = match.captured(2);
            if (match.captured(1) == QLatin1String("AnonDirName")) anonymous = match.captured(2);
        }
    }
    // cups-pdf takes the job's owner, this account, from the password database.
    if (const passwd* account = ::getpwuid(::getuid())) {
        out.replace(QStringLiteral("${HOME}"), QString::fromLocal8Bit(account->pw_dir));
        out.replace(QStringLiteral("${USER}"), QString::fromLocal8Bit(account->pw_name));
    }
    return {out, anonymous};
}

QString SystemPrinters() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("CUPS_SERVER"));
    QProcess lpstat;
    lpstat.setProcessEnvironment(environment);
    lpstat.setProcessChannelMode(QProcess::MergedChannels);
    lpstat.start(QStringLiteral("lpstat"), {QStringLiteral("-d"), QStringLiteral("-p")});
    if (!lpstat.waitForFinished(30000)) {
        lpstat.kill();
        lpstat.waitForFinished(10000);
        return QStringLiteral("lpstat did not answer");
    }
    return QString::fromLocal8Bit(lpstat.readAll());
}

}  // namespace marbleck::test
