// Dropping an ORB's initial reference. omniORB's public API has none (no
// unregister_initial_reference); its internal omniInitialReferences, whose
// header comes with libomniorb4-dev, removes what -ORBInitRef or
// register_initial_reference set. After the drop, resolve_initial_references
// for the id raises NO_RESOURCES (for the standard services) or InvalidName,
// unless omniORB's configuration file names the id too.
#pragma once

#include <omniORB4/CORBA.h>

// Raises what any call on the ORB raises once it is shut down (BAD_INV_ORDER)
// or destroyed (OBJECT_NOT_EXIST), BAD_INV_ORDER for a nil ORB, and
// CORBA::ORB::InvalidName for an empty id.
void UnregisterInitialReference(CORBA::ORB_ptr orb, const char* id);
