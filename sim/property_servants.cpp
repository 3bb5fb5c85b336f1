#include "sim/property_servants.h"

namespace bnsim {

TimeBase::IntervalT FileFilterPropertiesServant::creation() {
    auto lock = Enter("_get_creation");
    TimeBase::IntervalT interval;
    interval.lower_bound = attrs_.value("creationLower", CORBA::ULongLong(0));
    interval.upper_bound = attrs_.value("creationUpper", CORBA::ULongLong(0));
    return interval;
}

void FileFilterPropertiesServant::creation(const TimeBase::IntervalT& v) {
    auto lock =
        Enter("_set_creation",
              {{"value", {{"lower_bound", v.lower_bound}, {"upper_bound", v.upper_bound}}}});
    attrs_["creationLower"] = v.lower_bound;
    attrs_["creationUpper"] = v.upper_bound;
}

ObjectsFetchingPropertiesServant::ObjectsFetchingPropertiesServant(Simulation& sim,
                                                                   const std::string& suffix)
    : SimObject(sim, "fetching:" + suffix), suffix_(suffix) {}

BackupNetwork::FileFilterProperties_ptr ObjectsFetchingPropertiesServant::Filter(
    const char* attr, BackupNetwork::FileFilterProperties_var& held) {
    auto lock = Enter(("_get_" + std::string(attr)).c_str());
    if (CORBA::is_nil(held)) {
        const std::string name = std::string(attr) + ":" + suffix_;
        CORBA::Object_var obj = sim_.Activate(new FileFilterPropertiesServant(sim_, name), name);
        held = BackupNetwork::FileFilterProperties::_narrow(obj);
    }
    return BackupNetwork::FileFilterProperties::_duplicate(held);
}

BackupNetwork::FileFilterProperties_ptr ObjectsFetchingPropertiesServant::filesExclude() {
    return Filter("filesExclude", exclude_);
}

BackupNetwork::FileFilterProperties_ptr ObjectsFetchingPropertiesServant::filesInclude() {
    return Filter("filesInclude", include_);
}

}  // namespace bnsim
