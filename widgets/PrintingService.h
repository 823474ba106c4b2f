#pragma once

#include <chrono>
#include <string>

namespace marbleck {

// The system's printing service (CUPS) as its client library finds it: the
// CUPS_SERVER variable, else ServerName in the user's or the system's
// client.conf, else the scheduler's domain socket where it exists, else
// localhost; the port is IPP_PORT's, the ServerName's or 631.
struct PrintingServiceAddress {
    std::string socketPath;  // a domain socket; else host and port
    std::string host;
    std::string port;
};
PrintingServiceAddress FindPrintingService();

// Whether the service answers a request for the default printer at once.
// The client library waits a minute a request on a service that takes the
// connection and then says nothing, and asking for the default printer makes
// several; this asks once and waits no longer than `limit`.
enum class PrintingServiceState {
    Answers,  // it answered
    Absent,   // nothing takes the connection, or it closed without answering
    Silent,   // it took the connection and did not answer within the limit
};
PrintingServiceState ProbePrintingService(std::chrono::milliseconds limit);

}  // namespace marbleck
