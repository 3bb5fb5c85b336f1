// The benchmark's yardstick: a minimal omniORB client that makes the same
// remote calls as cvcc, in the same order, and nothing else. No port probe,
// no ORB thread, no POA, no console, no fixed waits; the ORB is destroyed at
// the end. omniORB's check of each new reference with a LocateRequest before
// its first call is off: those round trips are the ORB's, not the calls'. What cvcc spends beyond
// this program is the client's own cost.
//
//   cvcc_bench_baseline list                 as cvcc --List
//   cvcc_bench_baseline execute ID           as cvcc --ExecuteId ID, without the poll's sleep
//   cvcc_bench_baseline log ID               as cvcc --LogId ID
//   cvcc_bench_baseline nsclean              as cvcc --NSClean
//   cvcc_bench_baseline probe-sim CALLS      CALLS reads of the server's version
//   cvcc_bench_baseline probe-ns CALLS       CALLS resolutions of the server's name
//
// The probes print "calls=N seconds=S": a peer's cost per call, as seen over
// the loopback, so that a slow peer is not mistaken for a slow client.
// The Coordinator is localhost:1755; the server is the one named after this
// computer's host name.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <omniORB4/Naming.hh>
#include <string>
#include <vector>

#include "BackupNetwork.hh"
#include "BackupWorkstation.hh"
#include "corba/naming_layout.h"
#include "utility/strings.h"

namespace {

CORBA::ORB_var orb;

std::string HostName() {
    char name[260] = {};
    if (::gethostname(name, sizeof name - 1) != 0) name[0] = '\0';
    return name;
}

std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

// As cvcc fetches it for every naming operation: the initial reference,
// narrowed again each time.
CosNaming::NamingContext_ptr RootContext() {
    CORBA::Object_var object = orb->resolve_initial_references("NameService");
    return CosNaming::NamingContext::_narrow(object);
}

CosNaming::NamingContext_ptr NetworkContext() {
    CosNaming::NamingContext_var root = RootContext();
    CosNaming::Name name;
    name.length(1);
    name[0].id = naming::kNetworkContextId;
    name[0].kind = naming::kNetworkContextKind;
    try {
        return root->bind_new_context(name);
    } catch (const CosNaming::NamingContext::AlreadyBound&) {
        CORBA::Object_var object = root->resolve(name);
        return CosNaming::NamingContext::_narrow(object);
    }
}

CosNaming::Name WorkstationName(const char* id) {
    CosNaming::Name name;
    name.length(1);
    name[0].id = id;
    name[0].kind = naming::kWorkstationKind;
    return name;
}

// The server bound under this computer's name.
CosNaming::Name ServerName() {
    CosNaming::Name name;
    name.length(2);
    name[0].id = HostName().c_str();
    name[0].kind = naming::kServerKind;
    name[1].id = naming::kServerObjectId;
    name[1].kind = naming::kServerObjectKind;
    return name;
}

BackupNetwork::Server_ptr LocalServer() {
    CosNaming::NamingContext_var root = RootContext();
    CORBA::Object_var object = root->resolve(ServerName());
    if (!object->_is_a("IDL:tarmelin/BackupNetwork/Server:1.0"))
        return BackupNetwork::Server::_nil();
    return BackupNetwork::Server::_narrow(object);
}

struct Session {
    BackupNetwork::Server_var server;
    BackupNetwork::Session_var session;
    BackupNetwork::TasksList_var tasks;
};

void Open(Session& s) {
    { CosNaming::NamingContext_var root = RootContext(); }  // the connection's first request
    s.server = LocalServer();
    CORBA::WString_var version = s.server->version();
    const char* user = std::getenv("USER");
    const std::wstring login = Widen(HostName()) + L"\\" + Widen(user ? user : "user");
    s.session = s.server->ActivateSession(login.c_str(), L"");
    s.tasks = s.session->tasks();
}

void List() {
    Session s;
    Open(s);
    for (CORBA::ULong i = 0; i < s.tasks->length(); ++i) {
        BackupNetwork::Task_ptr task = s.tasks[i];
        BackupNetwork::TaskProperties_var props = task->props();
        (void)props->id();
        props = task->props();
        CORBA::WString_var name = props->dname();
        (void)task->GetStatus();
    }
    s.server->DeactivateSession(s.session);
}

// As cvcc finds a task by id and reads its name, then act on it.
template <typename Act>
void WithTask(CORBA::Long id, Act act) {
    Session s;
    Open(s);
    for (CORBA::ULong i = 0; i < s.tasks->length(); ++i) {
        BackupNetwork::Task_ptr task = s.tasks[i];
        BackupNetwork::TaskProperties_var props = task->props();
        if (props->id() != id) continue;
        props = task->props();
        CORBA::WString_var name = props->dname();
        act(task);
        break;
    }
    s.server->DeactivateSession(s.session);
}

void Execute(CORBA::Long id) {
    WithTask(id, [](BackupNetwork::Task_ptr task) {
        (void)task->GetStatus();
        task->Start();
        while (task->GetStatus() <= BackupNetwork::tsSynchronize) {
        }
    });
}

void NsClean() {
    { CosNaming::NamingContext_var root = RootContext(); }
    const char* const workstationId = "IDL:BackupWorkstation/Workstation:1.0";
    std::vector<std::string> names;
    {
        CosNaming::NamingContext_var network = NetworkContext();
        CosNaming::BindingList_var bindings;
        CosNaming::BindingIterator_var iterator;
        network->list(0, bindings.out(), iterator.out());
        CosNaming::Binding_var binding;
        while (iterator->next_one(binding.out())) {
            if (binding->binding_type != CosNaming::nobject) continue;
            CORBA::Object_var object = network->resolve(binding->binding_name);
            if (std::strcmp(binding->binding_name[0].kind, naming::kWorkstationKind) != 0) continue;
            if (!CORBA::is_nil(object) && object->_is_a(workstationId)) {
                BackupWorkstation::Workstation_var w =
                    BackupWorkstation::Workstation::_narrow(object);
            }
            names.emplace_back(binding->binding_name[0].id);
        }
        iterator->destroy();
    }
    for (const std::string& name : names) {
        BackupWorkstation::Workstation_var workstation;
        {
            CosNaming::NamingContext_var network = NetworkContext();
            CORBA::Object_var object = network->resolve(WorkstationName(name.c_str()));
            if (!CORBA::is_nil(object) && object->_is_a(workstationId))
                workstation = BackupWorkstation::Workstation::_narrow(object);
        }
        bool dead = CORBA::is_nil(workstation);
        if (!dead) {
            try {
                CORBA::WString_var ignored = workstation->name();
            } catch (const CORBA::TRANSIENT&) {
                dead = true;
            }
        }
        if (dead) {
            CosNaming::NamingContext_var network = NetworkContext();
            network->unbind(WorkstationName(name.c_str()));
        }
    }
}

// Prints each line as UTF-8.
void Log(CORBA::Long id) {
    WithTask(id, [](BackupNetwork::Task_ptr task) {
        BackupNetwork::Log_var log = task->log();
        if (!log->Open()) return;
        CORBA::WString_var line;
        while (log->GetNextLine(line.out())) {
            const std::string text = CVLib::strings::toAstr(line.in()) + '\n';
            std::fwrite(text.data(), 1, text.size(), stdout);
        }
        log->Close();
    });
    std::fflush(stdout);
}

template <typename Call>
void Probe(long calls, Call call) {
    call();  // the connection is made before the clock starts
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < calls; ++i) call();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("calls=%ld seconds=%.6f\n", calls, took.count());
}

int Usage() {
    std::fprintf(
        stderr,
        "usage: cvcc_bench_baseline list | execute ID | log ID | nsclean | probe-sim CALLS | "
        "probe-ns CALLS\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string mode = argv[1];
    const long value = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 0;
    const char* options[][2] = {
        {"-ORBInitRef", "NameService=corbaloc:iiop:1.2@localhost:1755/NameService"},
        {"-ORBtraceLevel", "0"},
        {"-ORBverifyObjectExistsAndType", "0"},
    };
    int orbArgc = 0;
    char* orbArgv[7] = {};
    for (auto& option : options) {
        orbArgv[orbArgc++] = const_cast<char*>(option[0]);
        orbArgv[orbArgc++] = const_cast<char*>(option[1]);
    }
    orb = CORBA::ORB_init(orbArgc, orbArgv);
    int status = 0;
    try {
        if (mode == "list") {
            List();
        } else if (mode == "execute" && argc > 2) {
            Execute(static_cast<CORBA::Long>(value));
        } else if (mode == "log" && argc > 2) {
            Log(static_cast<CORBA::Long>(value));
        } else if (mode == "nsclean") {
            NsClean();
        } else if (mode == "probe-sim" && value > 0) {
            Session s;
            Open(s);
            Probe(value, [&] { CORBA::WString_var v = s.server->version(); });
            s.server->DeactivateSession(s.session);
        } else if (mode == "probe-ns" && value > 0) {
            CosNaming::NamingContext_var root = RootContext();
            const CosNaming::Name name = ServerName();
            Probe(value, [&] { CORBA::Object_var object = root->resolve(name); });
        } else {
            status = Usage();
        }
    } catch (const CORBA::Exception& e) {
        std::fprintf(stderr, "cvcc_bench_baseline: %s\n", e._name());
        status = 1;
    }
    orb->destroy();
    return status;
}
