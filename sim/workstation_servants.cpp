#include "sim/workstation_servants.h"

#include "utility/strings.h"

namespace bnsim {

std::string WorkstationObjectName(const WorkstationSpec& plan) {
    return "workstation:" + plan.name + (plan.kind == "workstation" ? "" : "." + plan.kind);
}

WorkstationServant::WorkstationServant(Simulation& sim, const WorkstationSpec& plan,
                                       const std::string& forwardTo)
    : SimObject(sim, WorkstationObjectName(plan)), forwardTo_(forwardTo) {
    attrs_ = {{"name", CVLib::strings::toAstr(plan.displayName)},
              {"host", plan.host.empty() ? sim.host() : CVLib::strings::toAstr(plan.host)}};
}

CORBA::WChar* WorkstationServant::name() {
    if (forwardTo_.empty()) return GetText("name");
    auto lock = Enter("_get_name");
    // The ORB takes the reference over.
    throw omniORB::LOCATION_FORWARD(sim_.orb()->string_to_object(forwardTo_.c_str()));
}

}  // namespace bnsim
