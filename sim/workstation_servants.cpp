#include "sim/workstation_servants.h"

#include "utility/strings.h"

namespace bnsim {

std::string WorkstationObjectName(const WorkstationSpec& plan) {
    return "workstation:" + plan.name + (plan.kind == "workstation" ? "" : "." + plan.kind);
}

WorkstationServant::WorkstationServant(Simulation& sim, const WorkstationSpec& plan)
    : SimObject(sim, WorkstationObjectName(plan)) {
    attrs_ = {{"name", CVLib::strings::toAstr(plan.displayName)},
              {"host", plan.host.empty() ? sim.host() : CVLib::strings::toAstr(plan.host)}};
}

}  // namespace bnsim
