// The backup network as the Coordinator's naming service shows it: connect
// to the Coordinator, find a backup server, list the workstations bound in
// the network context, fetch one, and sweep away the bindings of those that
// no longer answer. A thin layer over CCorbaWrapper's naming operations; it
// adds no state and prints nothing of its own.
//
// Names are wide here and narrow (UTF-8) in the naming service. References
// returned are owned by the caller. Main thread only; every call is a
// synchronous request, and nothing is cached between calls.
#pragma once

#include <functional>
#include <list>
#include <string>

#include "BackupNetwork.hh"
#include "BackupWorkstation.hh"
#include "corba/CCorbaWrapper.h"

class CBackupNetwork : public CCorbaWrapper {
public:
    using WorkstationsList = std::list<std::wstring>;

    // Whether InitORBConnectedToNS answered 0. Its CCommonException (a
    // closed port, a failed bring-up) passes through.
    bool Connect(const std::wstring& host, const std::wstring& port);
    void Disconnect();

    // The server bound as name.BackupNetwork/BackupServer.server, or nil:
    // after the lookup's report when nothing is bound there, silently when
    // what is bound is no server.
    BackupNetwork::Server_ptr GetServer(const std::wstring& name);
    // GetServer for this computer's host name.
    BackupNetwork::Server_ptr GetLocalServer();
    // The name GetLocalServer looks the server up under: this computer's.
    static std::string LocalServerName();

    // The ids of the bindings of kind "workstation" in the network context,
    // in the naming service's order. Bindings that cannot be resolved are
    // skipped, and a listing that cannot be read is empty, each with a line
    // on stderr; exceptions from the binding iterator itself pass through. An
    // iterator that hands out a binding a second time is reported through
    // EchoError and thrown as a CCommonException.
    WorkstationsList GetWorkstationsList();
    // The workstation bound under name, or nil when it is not bound, cannot
    // say what it is (said in a line on stderr) or is no workstation. A
    // system exception from the Coordinator's resolve passes through: it
    // says nothing of the workstation.
    BackupWorkstation::Workstation_ptr GetWorkstation(const std::wstring& name);
    // Unbinds every listed workstation that is nil, or whose name attribute
    // raises TRANSIENT while its own endpoints refuse a connection; answers
    // the names unbound, in sweep order, and tells onRemoved of each as it
    // goes. A binding the Coordinator cannot resolve, and a workstation that
    // answers with a forward that cannot be followed, are left alone, each
    // with a line on stderr. Any other exception from a workstation ends the
    // sweep and passes through (what was unbound stays unbound, and
    // onRemoved has been told).
    WorkstationsList RemoveDeadWorkstationsOnCoordinator(
        const std::function<void(const std::wstring&)>& onRemoved = nullptr);

private:
    // One line on stderr: the binding of workstation id could not be
    // resolved, with the exception's name, and what the sweep makes of it.
    void ReportUnresolved(const std::string& id, const CORBA::Exception& e,
                          const char* consequence);
};
