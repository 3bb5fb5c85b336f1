#include "corba/initial_references.h"

#include <omniORB4/internal/initRefs.h>

void UnregisterInitialReference(CORBA::ORB_ptr orb, const char* id) {
    if (CORBA::is_nil(orb))
        throw CORBA::BAD_INV_ORDER(omni::BAD_INV_ORDER_ORBHasShutdown, CORBA::COMPLETED_NO);
    if (!id || !*id) throw CORBA::ORB::InvalidName();
    // The ORB checks its own state here, as it would for the operation
    // this stands in for.
    CORBA::ORB::ObjectIdList_var known = orb->list_initial_services();
    omni::omniInitialReferences::remFromArgs(id);
}
