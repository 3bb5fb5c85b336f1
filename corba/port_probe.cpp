#include "corba/port_probe.h"

#include <ace/INET_Addr.h>
#include <ace/SOCK_Connector.h>
#include <ace/SOCK_Stream.h>
#include <ace/Time_Value.h>

bool TcpPortAccepts(const std::string& host, const std::string& port, long timeoutSeconds) {
    // set() rather than the constructor: the constructor logs a failed
    // lookup on stderr through ACE's own logging, and the user's stderr
    // belongs to the client's reports.
    ACE_INET_Addr address;
    if (address.set(port.c_str(), host.c_str(), "tcp") == -1) return false;
    ACE_SOCK_Stream stream;
    ACE_SOCK_Connector connector;
    ACE_Time_Value timeout(timeoutSeconds, 0);
    if (connector.connect(stream, address, &timeout, ACE_Addr::sap_any, 0, 0, 0, 0) == -1)
        return false;
    stream.close();
    return true;
}
