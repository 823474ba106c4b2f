#include "widgets/PrintingService.h"

#include <netdb.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string_view>

namespace marbleck {

namespace {

using Clock = std::chrono::steady_clock;

// The ServerName a client.conf gives; empty where it gives none.
std::string serverNameIn(const std::string& path) {
    std::ifstream conf(path);
    std::string line;
    std::string name;
    while (std::getline(conf, line)) {
        std::istringstream words(line);
        std::string key;
        std::string value;
        if (words >> key >> value && strcasecmp(key.c_str(), "ServerName") == 0) name = value;
    }
    return name;
}

// The request the client library makes first for the default printer:
// CUPS-Get-Default in IPP 2.0, with the attributes every request starts with.
std::string defaultPrinterRequest() {
    std::string ipp("\x02\x00\x40\x01\x00\x00\x00\x01\x01",
                    9);  // version, operation, request 1, operation group
    const auto attribute = [&ipp](char tag, std::string_view name, std::string_view value) {
        ipp += tag;
        for (std::string_view text : {name, value}) {
            ipp += static_cast<char>(text.size() >> 8);
            ipp += static_cast<char>(text.size() & 0xff);
            ipp += text;
        }
    };
    attribute('\x47', "attributes-charset", "utf-8");
    attribute('\x48', "attributes-natural-language", "en");
    ipp += '\x03';  // end of attributes
    return "POST / HTTP/1.1\r\nHost: localhost\r\nContent-Type: application/ipp\r\nContent-Length: " +
           std::to_string(ipp.size()) + "\r\n\r\n" + ipp;
}

class Socket {
public:
    explicit Socket(int family) : fd_(::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)) {}
    ~Socket() {
        if (fd_ >= 0) ::close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

// Waits until `events` can happen on `fd` or `end` comes; false at `end`.
bool waitFor(int fd, short events, Clock::time_point end) {
    pollfd watched{fd, events, 0};
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        const int ready = ::poll(&watched, 1, left > 0 ? static_cast<int>(left) : 0);
        if (ready > 0) return true;
        if (ready == 0) return false;
        if (errno != EINTR) return true;  // the next call says what is wrong
    }
}

PrintingServiceState probe(const sockaddr* address, socklen_t length, Clock::time_point end) {
    Socket socket(address->sa_family);
    if (socket.fd() < 0) return PrintingServiceState::Absent;
    if (::connect(socket.fd(), address, length) != 0) {
        // A domain socket whose backlog is full is there and not served.
        if (errno == EAGAIN) return PrintingServiceState::Silent;
        if (errno != EINPROGRESS && errno != EINTR) return PrintingServiceState::Absent;
        if (!waitFor(socket.fd(), POLLOUT, end)) return PrintingServiceState::Silent;
        int error = 0;
        socklen_t size = sizeof error;
        if (::getsockopt(socket.fd(), SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0)
            return PrintingServiceState::Absent;
    }
    const std::string request = defaultPrinterRequest();
    for (size_t sent = 0; sent < request.size();) {
        const ssize_t n = ::send(socket.fd(), request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            if (!waitFor(socket.fd(), POLLOUT, end)) return PrintingServiceState::Silent;
        } else {
            return PrintingServiceState::Absent;
        }
    }
    for (;;) {
        if (!waitFor(socket.fd(), POLLIN, end)) return PrintingServiceState::Silent;
        char reply[64];
        const ssize_t n = ::recv(socket.fd(), reply, sizeof reply, 0);
        if (n > 0) return PrintingServiceState::Answers;
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
            return PrintingServiceState::Absent;
    }
}

}  // namespace

PrintingServiceAddress FindPrintingService() {
    std::string server;
    if (const char* variable = std::getenv("CUPS_SERVER"); variable && *variable) server = variable;
    if (const char* home = std::getenv("HOME"); server.empty() && home && *home)
        server = serverNameIn(std::string(home) + "/.cups/client.conf");
    if (server.empty()) server = serverNameIn("/etc/cups/client.conf");

    PrintingServiceAddress address;
    if (server.empty()) {
        for (const char* socket : {"/run/cups/cups.sock", "/var/run/cups/cups.sock"}) {
            if (::access(socket, R_OK) == 0) {
                address.socketPath = socket;
                return address;
            }
        }
        server = "localhost";
    }
    if (server.front() == '/') {
        address.socketPath = server;
        return address;
    }
    // host, host:port or [IPv6 address]:port, each perhaps with "/version=…".
    server = server.substr(0, server.find('/'));
    if (server.front() == '[') {
        const size_t close = server.find(']');
        address.host = server.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        if (close != std::string::npos && close + 1 < server.size() && server[close + 1] == ':')
            address.port = server.substr(close + 2);
    } else if (const size_t colon = server.find(':');
               colon != std::string::npos && colon == server.rfind(':')) {
        address.host = server.substr(0, colon);
        address.port = server.substr(colon + 1);
    } else {
        address.host = server;
    }
    if (address.port.empty()) {
        const char* variable = std::getenv("IPP_PORT");
        address.port = variable && *variable ? variable : "631";
    }
    return address;
}

PrintingServiceState ProbePrintingService(std::chrono::milliseconds limit) {
    const Clock::time_point end = Clock::now() + limit;
    const PrintingServiceAddress service = FindPrintingService();
    if (!service.socketPath.empty()) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (service.socketPath.size() >= sizeof address.sun_path) return PrintingServiceState::Absent;
        std::memcpy(address.sun_path, service.socketPath.data(), service.socketPath.size());
        return probe(reinterpret_cast<const sockaddr*>(&address), sizeof address, end);
    }
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(service.host.c_str(), service.port.c_str(), &hints, &found) != 0)
        return PrintingServiceState::Absent;
    // Each address the name has, as the client library tries them.
    PrintingServiceState state = PrintingServiceState::Absent;
    for (const addrinfo* a = found; a && state != PrintingServiceState::Answers && Clock::now() < end;
         a = a->ai_next) {
        const PrintingServiceState tried = probe(a->ai_addr, a->ai_addrlen, end);
        if (tried != PrintingServiceState::Absent) state = tried;
    }
    ::freeaddrinfo(found);
    return state;
}

}  // namespace marbleck
