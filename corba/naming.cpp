// The naming operations of CCorbaWrapper that the backup network is built
// from: the root and network contexts, a server's lookup and a
// workstation's unbinding.
#include <string>

#include "client/CCommonException.h"
#include "corba/CCorbaWrapper.h"
#include "corba/exception_info.h"
#include "corba/naming_layout.h"
#include "utility/strings.h"

namespace {

CosNaming::Name NetworkContextName() {
    CosNaming::Name name;
    name.length(1);
    name[0].id = naming::kNetworkContextId;
    name[0].kind = naming::kNetworkContextKind;
    return name;
}

const char* OrEmpty(const char* text) {
    return text ? text : "";
}

}  // namespace

const char* NotFoundReasonText(CosNaming::NamingContext::NotFoundReason why) {
    switch (why) {
        case CosNaming::NamingContext::missing_node:
            return "Missing node. One of the components of a name specifies a binding that does "
                   "not exist";
        case CosNaming::NamingContext::not_context:
            return "Not context. One of the components of a name (other than the final "
                   "component) specifies a binding to an application object instead of to a "
                   "context";
        case CosNaming::NamingContext::not_object:
            return "Not object. One of the components of a name specifies an object reference "
                   "that dangles (points to a non-existent object)";
    }
    return "Unknown";
}

int CCorbaWrapper::GetRootContext(CosNaming::NamingContext_var& context) {
    const char* const kRootContextFailed =
        "An error occurred while obtain a reference to the root context";
    if (CORBA::is_nil(orb)) return 1;
    try {
        CORBA::Object_var object = orb->resolve_initial_references("NameService");
        if (CORBA::is_nil(object)) {
            EchoError("Returninig nil from resolve_initial_references()", nullptr, nullptr, true);
            return 1;
        }
        // The narrow asks the Coordinator: a Coordinator that is gone shows
        // up here as TRANSIENT.
        context = CosNaming::NamingContext::_narrow(object);
        if (CORBA::is_nil(context)) {
            EchoError("Failed to narrow the root naming context", nullptr, nullptr, true);
            return 1;
        }
        return 0;
    } catch (const CORBA::NO_RESOURCES& e) {
        EchoError(kRootContextFailed, e._name(), ExceptionInfo(e).c_str(), true);
    } catch (const CORBA::ORB::InvalidName& e) {
        EchoError(kRootContextFailed, e._name(), ExceptionInfo(e).c_str(), true);
    } catch (const CORBA::TRANSIENT& e) {
        EchoError(
            "An error occurred while obtain a reference to the root context. Coordinator could "
            "not be reached. Make sure Coordinator is running",
            e._name(), ExceptionInfo(e).c_str(), true);
        return 2;
    } catch (const CORBA::Exception& e) {
        EchoError("Unknown error occurred while obtain a reference to the root context", e._name(),
                  ExceptionInfo(e).c_str(), true);
    }
    return 1;
}

int CCorbaWrapper::GetNetworkContext(CosNaming::NamingContext_var& context) {
    CosNaming::NamingContext_var root;
    const int rootResult = GetRootContext(root);
    if (rootResult != 0) return rootResult;
    const CosNaming::Name name = NetworkContextName();
    try {
        try {
            // The first client to ask on a fresh Coordinator creates it.
            context = root->bind_new_context(name);
        } catch (const CosNaming::NamingContext::AlreadyBound&) {
            CORBA::Object_var object = root->resolve(name);
            context = CosNaming::NamingContext::_narrow(object);
            // What this throws is caught below, as any unexpected failure.
            if (CORBA::is_nil(context))
                EchoError("Failed to narrow naming context", nullptr, nullptr, true);
        }
        return 0;
    } catch (const CORBA::TRANSIENT& e) {
        EchoError(
            "An error occurred while obtain a reference to the network context. Coordinator "
            "could not be reached. Make sure Coordinator is running",
            e._name(), ExceptionInfo(e).c_str(), true);
        return 2;
    } catch (const CORBA::SystemException& e) {
        EchoError("An error occurred while obtain a reference to the network context", e._name(),
                  ExceptionInfo(e).c_str(), true);
    } catch (...) {
        EchoError("Unknown error occurred while obtain a reference to the network context", nullptr,
                  nullptr, true);
    }
    return 1;
}

CORBA::Object_ptr CCorbaWrapper::GetObjectReference(const char* serverName) {
    const char* const kLookupFailed = "An error occurred while obtain an object reference";
    CosNaming::NamingContext_var root;
    if (GetRootContext(root) != 0 || CORBA::is_nil(root)) return CORBA::Object::_nil();
    CosNaming::Name name;
    name.length(2);
    name[0].id = OrEmpty(serverName);
    name[0].kind = naming::kServerKind;
    name[1].id = naming::kServerObjectId;
    name[1].kind = naming::kServerObjectKind;
    try {
        return root->resolve(name);
    } catch (const CosNaming::NamingContext::NotFound& e) {
        EchoError(kLookupFailed, e._name(), ExceptionInfo(e).c_str(), false);
        const std::string reason = std::string("Reason: ") + NotFoundReasonText(e.why);
        EchoError(reason.c_str(), nullptr, nullptr, false);
    } catch (const CORBA::TRANSIENT& e) {
        EchoError(
            "An error occurred while obtain an object reference. Coordinator could not be "
            "reached. Make shure Coordinator is running",
            e._name(), ExceptionInfo(e).c_str(), false);
    } catch (const CORBA::Exception& e) {
        EchoError(kLookupFailed, e._name(), ExceptionInfo(e).c_str(), false);
    } catch (...) {
        EchoError("Unknown error occurred while obtain an object reference", nullptr, nullptr,
                  false);
    }
    return CORBA::Object::_nil();
}

int CCorbaWrapper::UnbindName(const char* workstationName) {
    CosNaming::NamingContext_var network;
    const int networkResult = GetNetworkContext(network);
    if (networkResult != 0) return networkResult;
    CosNaming::Name name;
    name.length(1);
    name[0].id = OrEmpty(workstationName);
    name[0].kind = naming::kWorkstationKind;
    try {
        network->unbind(name);
        return 0;
    } catch (const CORBA::TRANSIENT& e) {
        EchoError(
            "An error occurred while unbinding object. Coordinator could not be reached. Make "
            "sure Coordinator is running",
            e._name(), ExceptionInfo(e).c_str(), true);
        return 2;
    } catch (const CORBA::SystemException& e) {
        EchoError("An error occurred while unbinding object", e._name(), ExceptionInfo(e).c_str(),
                  true);
    } catch (...) {
        EchoError("Unknown error occurred while unbinding object", nullptr, nullptr, true);
    }
    return 1;
}

int CCorbaWrapper::UnRegisterObject(const char* workstationName) {
    return UnbindName(workstationName);
}
