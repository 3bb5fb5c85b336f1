#include "sim/naming.h"

#include <stdexcept>

namespace bnsim {
namespace {

CosNaming::Name OneName(const std::string& id, const std::string& kind) {
    CosNaming::Name name;
    name.length(1);
    name[0].id = CORBA::string_dup(id.c_str());
    name[0].kind = CORBA::string_dup(kind.c_str());
    return name;
}

}  // namespace

NetworkBindings::NetworkBindings(CORBA::ORB_ptr orb, const std::string& coordinator) {
    const std::string reference = "corbaloc:iiop:1.2@" + coordinator + "/NameService";
    CORBA::Object_var obj = orb->string_to_object(reference.c_str());
    root_ = CosNaming::NamingContext::_narrow(obj);
    if (CORBA::is_nil(root_)) throw std::runtime_error(reference + " is no naming context");
}

CosNaming::NamingContext_ptr NetworkBindings::Context(CosNaming::NamingContext_ptr parent,
                                                      const CosNaming::Name& name) {
    try {
        CORBA::Object_var obj = parent->resolve(name);
        CosNaming::NamingContext_var context = CosNaming::NamingContext::_narrow(obj);
        if (CORBA::is_nil(context))
            throw std::runtime_error(std::string("the name ") + name[0].id.in() + "." +
                                     name[0].kind.in() + " is bound to an object, not a context");
        return context._retn();
    } catch (const CosNaming::NamingContext::NotFound&) {
        CosNaming::NamingContext_var context = parent->bind_new_context(name);
        bound_.push_back({CosNaming::NamingContext::_duplicate(parent), name,
                          CosNaming::NamingContext::_duplicate(context)});
        return context._retn();
    }
}

void NetworkBindings::BindServer(const std::string& host, CORBA::Object_ptr server) {
    CosNaming::NamingContext_var context = Context(root_, OneName(host, "BackupNetwork"));
    const CosNaming::Name name = OneName("BackupServer", "server");
    // rebind: a simulator killed earlier may have left its binding behind.
    context->rebind(name, server);
    bound_.push_back({context, name, CosNaming::NamingContext::_nil()});
}

void NetworkBindings::BindWorkstation(const std::string& id, const std::string& kind,
                                      CORBA::Object_ptr obj) {
    CosNaming::NamingContext_var network =
        Context(root_, OneName("TarmelinBackupNetwork", "context"));
    const CosNaming::Name name = OneName(id, kind);
    if (CORBA::is_nil(obj)) {
        CosNaming::NamingContext_var context = network->bind_new_context(name);
        bound_.push_back({network, name, context});
    } else {
        network->rebind(name, obj);
        bound_.push_back({network, name, CosNaming::NamingContext::_nil()});
    }
}

void NetworkBindings::ReplaceNetworkContext(
    const std::function<CosNaming::NamingContext_ptr(CosNaming::NamingContext_ptr)>& make) {
    const CosNaming::Name name = OneName("TarmelinBackupNetwork", "context");
    replacedNetwork_ = Context(root_, name);
    CosNaming::NamingContext_var replacement = make(replacedNetwork_);
    root_->rebind_context(name, replacement);
}

void NetworkBindings::UnbindAll() {
    if (!CORBA::is_nil(replacedNetwork_)) {
        try {
            root_->rebind_context(OneName("TarmelinBackupNetwork", "context"), replacedNetwork_);
        } catch (const CORBA::Exception&) {
        }
        replacedNetwork_ = CosNaming::NamingContext::_nil();
    }
    for (auto it = bound_.rbegin(); it != bound_.rend(); ++it) {
        try {
            if (!CORBA::is_nil(it->createdContext)) it->createdContext->destroy();
            it->parent->unbind(it->name);
        } catch (const CosNaming::NamingContext::NotEmpty&) {
            // Someone else bound something in a context we made: leave it.
        } catch (const CORBA::Exception&) {
        }
    }
    bound_.clear();
}

}  // namespace bnsim
