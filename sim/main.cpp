// bnsim: a simulated backup network for tests. It binds the server and the
// workstations of a scenario in a Coordinator, serves them until SIGTERM or
// SIGINT (then unbinds them and exits 0), and journals every request.
//
// Exit status: 0 stopped; 1 the Coordinator or the ORB failed; 2 bad command
// line or scenario (nothing bound); 3 a scripted crash.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <list>
#include <memory>
#include <string>

#include "sim/journal.h"
#include "sim/naming.h"
#include "sim/network_context.h"
#include "sim/references.h"
#include "sim/scenario.h"
#include "sim/server_servants.h"
#include "sim/settings_servants.h"
#include "sim/simulation.h"
#include "sim/workstation_servants.h"

namespace {

const char kUsage[] =
    "usage: bnsim --scenario FILE [--coordinator HOST:PORT] [--ready FILE] [--journal FILE]\n";
const char kWorkstationTypeId[] = "IDL:BackupWorkstation/Workstation:1.0";

struct Options {
    std::string coordinator = "localhost:1755";
    std::string scenario;
    std::string ready;
    std::string journal;
};

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string key = argv[i];
        if (i + 1 >= argc) return false;
        const std::string value = argv[++i];
        if (key == "--coordinator")
            options.coordinator = value;
        else if (key == "--scenario")
            options.scenario = value;
        else if (key == "--ready")
            options.ready = value;
        else if (key == "--journal")
            options.journal = value;
        else
            return false;
    }
    return !options.scenario.empty();
}

std::string LocalHostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return "localhost";
    return name;
}

// Written under a temporary name and renamed, so a reader never sees it half
// written.
void WriteReadyFile(const std::string& path) {
    if (path.empty()) return;
    const std::string temporary = path + ".tmp";
    std::ofstream(temporary) << getpid() << "\n";
    std::rename(temporary.c_str(), path.c_str());
}

// Makes the objects of the scenario and binds them. Silent endpoints are kept
// in `silent` for as long as the process serves.
void BindScenario(bnsim::Simulation& sim, bnsim::NetworkBindings& bindings,
                  std::list<bnsim::SilentEndpoint>& silent) {
    using bnsim::WorkstationState;
    for (const bnsim::WorkstationSpec& w : sim.scenario().workstations) {
        const std::string name = bnsim::WorkstationObjectName(w);
        CORBA::Object_var obj;
        switch (w.state) {
            case WorkstationState::Alive: {
                obj = sim.Activate(new bnsim::WorkstationServant(sim, w), name);
                break;
            }
            case WorkstationState::Dead:
                // Port 1 on the loopback: nothing listens, as after a crash.
                obj = sim.orb()->string_to_object(
                    bnsim::MakeIor(kWorkstationTypeId, "127.0.0.1", 1, "bnsim-dead").c_str());
                break;
            case WorkstationState::Gone:
                obj = sim.ReferenceWithoutObject(name, kWorkstationTypeId);
                break;
            case WorkstationState::NotWorkstation:
                obj = sim.Activate(new bnsim::OperationProgressServant(sim, name), name);
                break;
            case WorkstationState::Silent:
                silent.emplace_back();
                obj =
                    sim.orb()->string_to_object(bnsim::MakeIor(kWorkstationTypeId, "127.0.0.1",
                                                               silent.back().port(), "bnsim-silent")
                                                    .c_str());
                break;
            case WorkstationState::Context:
                break;
            case WorkstationState::ForwardsNowhere:
                // A profile with an empty host: no address to connect to.
                obj = sim.Activate(
                    new bnsim::WorkstationServant(
                        sim, w, bnsim::MakeIor(kWorkstationTypeId, "", 1, "bnsim-nowhere")),
                    name);
                break;
        }
        bindings.BindWorkstation(w.name, w.kind, obj);
    }
    const auto& faults = sim.scenario().faults;
    const bool faultsInContext =
        std::any_of(faults.begin(), faults.end(),
                    [](const bnsim::FaultSpec& f) { return f.object == "naming:network"; });
    if (sim.scenario().repeatingListing || faultsInContext) {
        bindings.ReplaceNetworkContext([&sim](CosNaming::NamingContext_ptr real) {
            CORBA::Object_var obj = sim.Activate(
                new bnsim::NetworkContextServant(sim, real, sim.scenario().repeatingListing),
                "naming:network");
            return CosNaming::NamingContext::_narrow(obj);
        });
    }
    const bnsim::ServerSpec& server = sim.scenario().server;
    if (!server.bound) return;
    bnsim::CreateTasks(sim);
    CORBA::Object_var obj =
        server.impostor ? sim.Activate(new bnsim::OperationProgressServant(sim, "server"), "server")
                        : sim.Activate(new bnsim::ServerServant(sim), "server");
    bindings.BindServer(sim.host(), obj);
}

int WaitForStop() {
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGINT);
    int received = 0;
    while (sigwait(&stops, &received) != 0) {
    }
    return received;
}

int Serve(const Options& options, bnsim::Scenario scenario) {
    bnsim::Journal journal(options.journal);
    // One thread a connection, so each client's requests (oneway ones too)
    // are handled and journaled in the order they were sent. Calls to the
    // Coordinator give up after 20 s rather than hang the simulator.
    const char* orbOptions[][2] = {{"endPoint", "giop:tcp:127.0.0.1:"},
                                   {"maxServerThreadPerConnection", "1"},
                                   {"clientCallTimeOutPeriod", "20000"},
                                   // Task lists of 100,000 tasks go out in one reply.
                                   {"giopMaxMsgSize", "1073741824"},
                                   {nullptr, nullptr}};
    int noArguments = 0;
    CORBA::ORB_var orb = CORBA::ORB_init(noArguments, nullptr, "omniORB4", orbOptions);
    journal.Install();
    const std::string host = scenario.server.host.empty() ? LocalHostName() : scenario.server.host;
    int status = 0;
    {
        bnsim::Simulation sim(orb, journal, std::move(scenario), host);
        std::list<bnsim::SilentEndpoint> silent;
        std::unique_ptr<bnsim::NetworkBindings> bindings;
        try {
            bindings = std::make_unique<bnsim::NetworkBindings>(orb, options.coordinator);
            BindScenario(sim, *bindings, silent);
        } catch (const CORBA::Exception& e) {
            std::cerr << "bnsim: binding in the Coordinator at " << options.coordinator
                      << " failed: " << e._name() << "\n";
            status = 1;
        } catch (const std::exception& e) {
            std::cerr << "bnsim: binding in the Coordinator at " << options.coordinator
                      << " failed: " << e.what() << "\n";
            status = 1;
        }
        if (status == 0) {
            WriteReadyFile(options.ready);
            WaitForStop();
        }
        if (bindings) bindings->UnbindAll();
        orb->shutdown(true);
    }
    orb->destroy();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::cerr << kUsage;
        return 2;
    }
    bnsim::Scenario scenario;
    try {
        scenario = bnsim::LoadScenario(options.scenario);
    } catch (const bnsim::ScenarioError& e) {
        std::cerr << e.what() << "\n";
        return 2;
    }
    // Blocked in every thread (the ORB's inherit this mask); main takes them
    // in sigwait.
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);
    try {
        return Serve(options, std::move(scenario));
    } catch (const CORBA::Exception& e) {
        std::cerr << "bnsim: " << e._name() << "\n";
    } catch (const std::exception& e) {
        std::cerr << "bnsim: " << e.what() << "\n";
    }
    return 1;
}
