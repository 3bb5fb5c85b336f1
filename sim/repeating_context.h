// A network context that misbehaves as no real naming service does: its
// listing hands out the first binding again and again, without end. Every
// other operation goes to the real network context in the Coordinator, so
// the workstations stay resolvable and unbindable through it.
//
// The scenario asks for it with "repeatingListing"; bnsim then binds this
// context in the root context in place of the real one.
#pragma once

#include <omniORB4/CORBA.h>

#include <omniORB4/Naming.hh>

#include "sim/sim_object.h"

namespace bnsim {

class RepeatingContextServant : public POA_CosNaming::NamingContext, public SimObject {
public:
    RepeatingContextServant(Simulation& sim, CosNaming::NamingContext_ptr real);

    void bind(const CosNaming::Name& n, CORBA::Object_ptr obj) override;
    void rebind(const CosNaming::Name& n, CORBA::Object_ptr obj) override;
    void bind_context(const CosNaming::Name& n, CosNaming::NamingContext_ptr nc) override;
    void rebind_context(const CosNaming::Name& n, CosNaming::NamingContext_ptr nc) override;
    CORBA::Object_ptr resolve(const CosNaming::Name& n) override;
    void unbind(const CosNaming::Name& n) override;
    CosNaming::NamingContext_ptr new_context() override;
    CosNaming::NamingContext_ptr bind_new_context(const CosNaming::Name& n) override;
    void destroy() override;
    // Nothing in the list; an iterator whose next_one answers the real
    // context's first binding every time, and true.
    void list(CORBA::ULong how_many, CosNaming::BindingList_out bl,
              CosNaming::BindingIterator_out bi) override;

private:
    CosNaming::NamingContext_var real_;
};

}  // namespace bnsim
