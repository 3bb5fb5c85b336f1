#include "sim/network_context.h"

#include "sim/simulation.h"

namespace bnsim {
namespace {

class RepeatingIteratorServant : public POA_CosNaming::BindingIterator, public SimObject {
public:
    RepeatingIteratorServant(Simulation& sim, const std::string& name,
                             const CosNaming::Binding& binding)
        : SimObject(sim, name), binding_(binding) {}

    CORBA::Boolean next_one(CosNaming::Binding_out b) override {
        auto lock = Enter("next_one");
        b = new CosNaming::Binding(binding_);
        return true;
    }
    CORBA::Boolean next_n(CORBA::ULong how_many, CosNaming::BindingList_out bl) override {
        auto lock = Enter("next_n");
        bl = new CosNaming::BindingList;
        bl->length(how_many);
        for (CORBA::ULong i = 0; i < how_many; ++i) (*bl)[i] = binding_;
        return how_many > 0;
    }
    void destroy() override { auto lock = Enter("destroy"); }

private:
    CosNaming::Binding binding_;
};

}  // namespace

NetworkContextServant::NetworkContextServant(Simulation& sim, CosNaming::NamingContext_ptr real,
                                             bool repeating)
    : SimObject(sim, "naming:network"),
      real_(CosNaming::NamingContext::_duplicate(real)),
      repeating_(repeating) {}

void NetworkContextServant::bind(const CosNaming::Name& n, CORBA::Object_ptr obj) {
    real_->bind(n, obj);
}
void NetworkContextServant::rebind(const CosNaming::Name& n, CORBA::Object_ptr obj) {
    real_->rebind(n, obj);
}
void NetworkContextServant::bind_context(const CosNaming::Name& n,
                                         CosNaming::NamingContext_ptr nc) {
    real_->bind_context(n, nc);
}
void NetworkContextServant::rebind_context(const CosNaming::Name& n,
                                           CosNaming::NamingContext_ptr nc) {
    real_->rebind_context(n, nc);
}
CORBA::Object_ptr NetworkContextServant::resolve(const CosNaming::Name& n) {
    auto lock = Enter("resolve", {{"name", n.length() > 0 ? n[0].id.in() : ""}});
    return real_->resolve(n);
}
void NetworkContextServant::unbind(const CosNaming::Name& n) {
    auto lock = Enter("unbind", {{"name", n.length() > 0 ? n[0].id.in() : ""}});
    real_->unbind(n);
}
CosNaming::NamingContext_ptr NetworkContextServant::new_context() {
    return real_->new_context();
}
CosNaming::NamingContext_ptr NetworkContextServant::bind_new_context(const CosNaming::Name& n) {
    return real_->bind_new_context(n);
}
void NetworkContextServant::destroy() {
    NotServed("destroy");
}

void NetworkContextServant::list(CORBA::ULong how_many, CosNaming::BindingList_out bl,
                                 CosNaming::BindingIterator_out bi) {
    auto lock = Enter("list");
    if (!repeating_) return real_->list(how_many, bl, bi);
    CosNaming::BindingList_var first;
    CosNaming::BindingIterator_var rest;
    real_->list(1, first.out(), rest.out());
    if (!CORBA::is_nil(rest)) rest->destroy();
    if (first->length() == 0) throw CORBA::NO_RESOURCES();  // nothing to repeat
    const std::string name = sim_.NextName("naming:iterator");
    CORBA::Object_var obj = sim_.Activate(new RepeatingIteratorServant(sim_, name, first[0]), name);
    bl = new CosNaming::BindingList;
    bi = CosNaming::BindingIterator::_narrow(obj);
}

}  // namespace bnsim
