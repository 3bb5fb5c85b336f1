#include "network/CBackupNetwork.h"

#include <unistd.h>

#include <cstring>
#include <set>
#include <string>

#include "corba/dead_peer.h"
#include "corba/exception_info.h"
#include "corba/naming_layout.h"
#include "utility/strings.h"

namespace {

const char kServerRepositoryId[] = "IDL:tarmelin/BackupNetwork/Server:1.0";
const char kWorkstationRepositoryId[] = "IDL:BackupWorkstation/Workstation:1.0";

// Room for the host name: a longer name is cut to 259 characters, the name
// the server is looked up under.
constexpr size_t kHostNameBufferSize = 260;

// A name as one string; ids and kinds cannot hold a NUL.
std::string BindingKey(const CosNaming::Name& name) {
    std::string key;
    for (CORBA::ULong i = 0; i < name.length(); ++i)
        key.append(name[i].id.in()).append(1, '\0').append(name[i].kind.in()).append(1, '\0');
    return key;
}

}  // namespace

bool CBackupNetwork::Connect(const std::wstring& host, const std::wstring& port) {
    return InitORBConnectedToNS(host.c_str(), port.c_str()) == 0;
}

void CBackupNetwork::Disconnect() {
    DisconnectNS();
}

BackupNetwork::Server_ptr CBackupNetwork::GetServer(const std::wstring& name) {
    const std::string narrowName = CVLib::strings::toAstr(name);
    CORBA::Object_var object = GetObjectReference(narrowName.c_str());
    if (CORBA::is_nil(object)) return BackupNetwork::Server::_nil();
    if (!object->_is_a(kServerRepositoryId)) return BackupNetwork::Server::_nil();
    return BackupNetwork::Server::_narrow(object);
}

BackupNetwork::Server_ptr CBackupNetwork::GetLocalServer() {
    return GetServer(CVLib::strings::toWstr(LocalServerName()));
}

std::string CBackupNetwork::LocalServerName() {
    // A name that cannot be read is looked up as the empty name; one that
    // fills the buffer is cut to fit it.
    char hostName[kHostNameBufferSize] = {};
    if (::gethostname(hostName, sizeof hostName - 1) != 0) hostName[0] = '\0';
    return hostName;
}

CBackupNetwork::WorkstationsList CBackupNetwork::GetWorkstationsList() {
    WorkstationsList names;
    CosNaming::NamingContext_var network;
    if (GetNetworkContext(network) != 0) return names;
    CosNaming::BindingList_var bindings;
    CosNaming::BindingIterator_var iterator;
    try {
        // Count 0: every binding comes through the iterator, one at a time.
        network->list(0, bindings.out(), iterator.out());
    } catch (const CORBA::SystemException& e) {
        // Nothing to remove, then; the user learns why.
        EchoError(
            ("The Coordinator's list of workstations could not be read: " + std::string(e._name()))
                .c_str(),
            nullptr, nullptr, false);
        return names;
    }
    if (CORBA::is_nil(iterator)) return names;
    // A naming service hands each binding out once; one that repeats a
    // binding would keep this loop going for good.
    std::set<std::string> seen;
    CosNaming::Binding_var binding;
    while (iterator->next_one(binding.out())) {
        const CosNaming::Name& name = binding->binding_name;
        if (!seen.insert(BindingKey(name)).second)
            EchoError(
                "An error occurred while listing the workstations. Coordinator returned the "
                "same binding twice",
                nullptr, nullptr, true);
        if (binding->binding_type != CosNaming::nobject) continue;
        try {
            CORBA::Object_var object = network->resolve(name);
            if (name.length() > 0 && std::strcmp(name[0].kind, naming::kWorkstationKind) == 0) {
                // Asked as the workstation will be asked when it is fetched;
                // the answer does not decide whether it is listed.
                if (!CORBA::is_nil(object) && object->_is_a(kWorkstationRepositoryId)) {
                    BackupWorkstation::Workstation_var workstation =
                        BackupWorkstation::Workstation::_narrow(object);
                }
                names.push_back(CVLib::strings::toWstr(name[0].id));
            }
        } catch (const CORBA::Exception& e) {
            // A binding that cannot be resolved or asked is left out.
            ReportUnresolved(name[0].id.in(), e, "it is left out of the sweep");
        }
    }
    iterator->destroy();
    return names;
}

void CBackupNetwork::ReportUnresolved(const std::string& id, const CORBA::Exception& e,
                                      const char* consequence) {
    EchoError(("The binding of workstation " + id + " could not be resolved (" + e._name() +
               "): " + consequence)
                  .c_str(),
              nullptr, nullptr, false);
}

BackupWorkstation::Workstation_ptr CBackupNetwork::GetWorkstation(const std::wstring& name) {
    CosNaming::NamingContext_var network;
    if (GetNetworkContext(network) != 0) return BackupWorkstation::Workstation::_nil();
    const std::string id = CVLib::strings::toAstr(name);
    CosNaming::Name bound;
    bound.length(1);
    bound[0].id = id.c_str();
    bound[0].kind = naming::kWorkstationKind;
    CORBA::Object_var object;
    try {
        object = network->resolve(bound);
    } catch (const CORBA::SystemException&) {
        // The Coordinator's trouble (overloaded, restarting, a dropped call)
        // says nothing of the workstation: the caller decides.
        throw;
    } catch (const CORBA::Exception& e) {
        // Not bound any more: no workstation, which the sweep counts as dead.
        ReportUnresolved(id, e, "it counts as dead");
        return BackupWorkstation::Workstation::_nil();
    }
    try {
        if (!CORBA::is_nil(object) && object->_is_a(kWorkstationRepositoryId))
            return BackupWorkstation::Workstation::_narrow(object);
    } catch (const CORBA::Exception& e) {
        // The object cannot say what it is: not reachable, no workstation.
        ReportUnresolved(id, e, "it counts as dead");
    }
    return BackupWorkstation::Workstation::_nil();
}

CBackupNetwork::WorkstationsList CBackupNetwork::RemoveDeadWorkstationsOnCoordinator(
    const std::function<void(const std::wstring&)>& onRemoved) {
    WorkstationsList removed;
    for (const std::wstring& name : GetWorkstationsList()) {
        const std::string id = CVLib::strings::toAstr(name);
        BackupWorkstation::Workstation_var workstation;
        try {
            workstation = GetWorkstation(name);
        } catch (const CORBA::SystemException& e) {
            ReportUnresolved(id, e, "it is left alone");
            continue;
        }
        bool dead = CORBA::is_nil(workstation);
        if (!dead) {
            // Only a workstation that cannot be reached is dead; any other
            // exception leaves the sweep.
            try {
                CORBA::WString_var ignored = workstation->name();
            } catch (const CORBA::TRANSIENT& e) {
                // TRANSIENT also comes after the workstation answered, with a
                // forward to an address that cannot be used: only its own
                // endpoints refusing a connection prove it gone.
                dead = PeerIsGone(workstation);
                if (!dead)
                    EchoError(
                        ("The workstation " + id + " answers, but its answer cannot be " +
                         "followed (" + e._name() + ", " + ExceptionInfo(e) + "): it is left alone")
                            .c_str(),
                        nullptr, nullptr, false);
            }
        }
        if (dead && UnRegisterObject(id.c_str()) == 0) {
            removed.push_back(name);
            if (onRemoved) onRemoved(name);
        }
    }
    return removed;
}
