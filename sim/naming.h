// The simulator's bindings in the Coordinator: the server under
// (host, "BackupNetwork") / ("BackupServer", "server") in the root context,
// workstations under (name, kind) in "TarmelinBackupNetwork" / "context".
// Contexts missing on the way are created, and Unbind removes exactly what
// Bind added (contexts it created too, when they are empty by then).
//
// CORBA exceptions from the naming service pass out of Bind; Unbind ignores
// them, since at the end a Coordinator that is gone has nothing to clean.
#pragma once

#include <omniORB4/CORBA.h>

#include <functional>
#include <omniORB4/Naming.hh>
#include <string>
#include <vector>

namespace bnsim {

class NetworkBindings {
public:
    // `coordinator` is "HOST:PORT"; the reference is corbaloc with GIOP 1.2.
    NetworkBindings(CORBA::ORB_ptr orb, const std::string& coordinator);
    ~NetworkBindings() = default;
    NetworkBindings(const NetworkBindings&) = delete;
    NetworkBindings& operator=(const NetworkBindings&) = delete;

    void BindServer(const std::string& host, CORBA::Object_ptr server);
    // A nil object binds a new context under the name instead.
    void BindWorkstation(const std::string& name, const std::string& kind, CORBA::Object_ptr obj);
    // Binds `context` in the root context under the network context's name,
    // in place of the real one, which it is handed to serve from. Undone by
    // UnbindAll.
    void ReplaceNetworkContext(
        const std::function<CosNaming::NamingContext_ptr(CosNaming::NamingContext_ptr)>& make);
    void UnbindAll();

private:
    struct Bound {
        CosNaming::NamingContext_var parent;
        CosNaming::Name name;
        CosNaming::NamingContext_var createdContext;  // nil for an object binding
    };
    CosNaming::NamingContext_ptr Context(CosNaming::NamingContext_ptr parent,
                                         const CosNaming::Name& name);

    CosNaming::NamingContext_var root_;
    std::vector<Bound> bound_;                      // in binding order
    CosNaming::NamingContext_var replacedNetwork_;  // the real one, while replaced
};

}  // namespace bnsim
