// A network context of bnsim's own in front of the real one in the
// Coordinator: every operation goes on to the real context, so the
// workstations stay resolvable and unbindable through it, but `list`,
// `resolve` and `unbind` are journaled and a scenario's faults on
// "naming:network" strike them. With "repeatingListing" it misbehaves as no
// real naming service does: its listing hands out the first binding again
// and again, without end.
//
// bnsim binds it in the root context in place of the real one when the
// scenario asks for a repeating listing or names "naming:network" in a fault.
#pragma once

#include <omniORB4/CORBA.h>

#include <omniORB4/Naming.hh>

#include "sim/sim_object.h"

namespace bnsim {

class NetworkContextServant : public POA_CosNaming::NamingContext, public SimObject {
public:
    NetworkContextServant(Simulation& sim, CosNaming::NamingContext_ptr real, bool repeating);

    void bind(const CosNaming::Name& n, CORBA::Object_ptr obj) override;
    void rebind(const CosNaming::Name& n, CORBA::Object_ptr obj) override;
    void bind_context(const CosNaming::Name& n, CosNaming::NamingContext_ptr nc) override;
    void rebind_context(const CosNaming::Name& n, CosNaming::NamingContext_ptr nc) override;
    CORBA::Object_ptr resolve(const CosNaming::Name& n) override;
    void unbind(const CosNaming::Name& n) override;
    CosNaming::NamingContext_ptr new_context() override;
    CosNaming::NamingContext_ptr bind_new_context(const CosNaming::Name& n) override;
    void destroy() override;
    // Repeating: nothing in the list; an iterator whose next_one answers the
    // real context's first binding every time, and true.
    void list(CORBA::ULong how_many, CosNaming::BindingList_out bl,
              CosNaming::BindingIterator_out bi) override;

private:
    CosNaming::NamingContext_var real_;
    bool repeating_;
};

}  // namespace bnsim
