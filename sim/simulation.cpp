#include "sim/simulation.h"

#include <signal.h>
#include <unistd.h>

#include "sim/settings_servants.h"

namespace bnsim {
namespace {

PortableServer::ObjectId_var IdOf(const std::string& name) {
    return PortableServer::string_to_ObjectId((kObjectIdPrefix + name).c_str());
}

}  // namespace

Simulation::Simulation(CORBA::ORB_ptr orb, Journal& journal, Scenario scenario, std::string host)
    : orb_(CORBA::ORB::_duplicate(orb)),
      journal_(journal),
      scenario_(std::move(scenario)),
      host_(std::move(host)),
      faults_(scenario_.faults) {
    CORBA::Object_var rootObject = orb_->resolve_initial_references("RootPOA");
    PortableServer::POA_var root = PortableServer::POA::_narrow(rootObject);
    PortableServer::POAManager_var manager = root->the_POAManager();
    // User ids carry the journal name into the object key; see Journal.
    CORBA::PolicyList policies;
    policies.length(1);
    policies[0] = root->create_id_assignment_policy(PortableServer::USER_ID);
    poa_ = root->create_POA("bnsim", manager, policies);
    policies[0]->destroy();
    manager->activate();
}

Simulation::~Simulation() {
    try {
        poa_->destroy(true, true);
    } catch (const CORBA::Exception&) {
        // The ORB is shut down already: its POAs went with it.
    }
}

Simulation::Lock Simulation::Enter(const std::string& object, const char* operation,
                                   const nlohmann::json& args, bool oneway) {
    Lock lock(mutex_);
    journal_.Write(object, operation, oneway, &args);
    faults_.Apply(object, operation);
    return lock;
}

CORBA::Object_ptr Simulation::Activate(PortableServer::ServantBase* servant,
                                       const std::string& name) {
    PortableServer::ObjectId_var id = IdOf(name);
    poa_->activate_object_with_id(id, servant);
    // The POA holds the servant now; ours was the reference from `new`.
    servant->_remove_ref();
    journal_.SetLive(name, true);
    return poa_->id_to_reference(id);
}

void Simulation::Deactivate(const std::string& name) {
    journal_.SetLive(name, false);
    try {
        PortableServer::ObjectId_var id = IdOf(name);
        poa_->deactivate_object(id);
    } catch (const PortableServer::POA::ObjectNotActive&) {
    }
}

CORBA::Object_ptr Simulation::ReferenceWithoutObject(const std::string& name, const char* typeId) {
    PortableServer::ObjectId_var id = IdOf(name);
    return poa_->create_reference_with_id(id, typeId);
}

std::string Simulation::NameOf(CORBA::Object_ptr ref) {
    if (CORBA::is_nil(ref)) return "nil";
    try {
        PortableServer::ObjectId_var id = poa_->reference_to_id(ref);
        CORBA::String_var text = PortableServer::ObjectId_to_string(id);
        const std::string name(text.in());
        const std::string prefix(kObjectIdPrefix);
        if (name.rfind(prefix, 0) == 0) return name.substr(prefix.size());
    } catch (const CORBA::Exception&) {
    }
    return "foreign";
}

std::string Simulation::NextName(const std::string& kind) {
    return kind + ":" + std::to_string(NextNumber(kind));
}

int Simulation::NextNumber(const std::string& key) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return ++counters_[key];
}

void Simulation::RequestStop() {
    // Every thread blocks the stop signals; main waits for them in sigwait.
    kill(getpid(), SIGTERM);
}

BackupNetwork::ServerSettings_ptr Simulation::Settings() {
    if (CORBA::is_nil(settings_)) {
        CORBA::Object_var obj = Activate(new ServerSettingsServant(*this), "settings");
        settings_ = BackupNetwork::ServerSettings::_narrow(obj);
    }
    return BackupNetwork::ServerSettings::_duplicate(settings_);
}

}  // namespace bnsim
