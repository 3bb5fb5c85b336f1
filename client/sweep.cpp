#include "client/sweep.h"

#include <exception>
#include <string>
#include <vector>

#include "idl/wire_text.h"
#include "utility/strings.h"

namespace {

// Whether the failure is the Coordinator's TRANSIENT, as raised or under the
// exception that the naming layer made of it. The sweep takes the
// workstations' TRANSIENT itself, so one that gets here is the Coordinator's.
bool CoordinatorLost(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const CORBA::TRANSIENT&) {
        return true;
    } catch (const std::nested_exception& wrapper) {
        if (!wrapper.nested_ptr()) return false;
        return CoordinatorLost(wrapper.nested_ptr());
    } catch (...) {
    }
    return false;
}

}  // namespace

void Sweep(CBackupNetwork& network, Reporter& reporter) {
    reporter.SweepBegun();
    // The names keep the Coordinator's bytes for the unbinding; told, they
    // are the Coordinator's text, decoded strictly. They are kept as they
    // are removed, so a sweep that fails half-way still tells them.
    std::vector<std::wstring> removed;
    try {
        network.RemoveDeadWorkstationsOnCoordinator([&removed](const std::wstring& wireName) {
            removed.push_back(wiretext::FromWire(wireName));
        });
    } catch (...) {
        reporter.SweepFailed(removed);
        // The console's text of a lost Coordinator puts it on the server, or
        // names no cause at all: stderr says what happened.
        if (CoordinatorLost(std::current_exception()))
            reporter.Hint("the Coordinator at " + CVLib::strings::toAstr(kSweepHost) + ":" +
                          CVLib::strings::toAstr(kSweepPort) + " was lost during the sweep");
        throw;
    }
    reporter.Swept(removed);
}
