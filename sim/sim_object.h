// What every servant of the simulator shares: its journal name, the entry
// through the simulation (journal, faults, lock) and a store of attribute
// values, so the many plain attributes of the protocol are one line each.
//
// A servant derives from its skeleton and from SimObject; it lives as long
// as the POA holds it, and the Simulation outlives it.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "BackupNetwork.hh"
#include "sim/simulation.h"

namespace bnsim {

// Wire text to UTF-8 (surrogate pairs joined) and back.
std::string Utf8(const CORBA::WChar* wire);
CORBA::WChar* WireDup(const std::wstring& text);
CORBA::WChar* WireDupUtf8(const std::string& utf8);
nlohmann::json ListToJson(const BackupNetwork::WStringsList& list);
BackupNetwork::WStringsList* JsonToList(const nlohmann::json& texts);

class SimObject {
public:
    const std::string& journalName() const { return name_; }

protected:
    SimObject(Simulation& sim, std::string name) : sim_(sim), name_(std::move(name)) {}
    ~SimObject() = default;

    [[nodiscard]] Simulation::Lock Enter(const char* operation,
                                         const nlohmann::json& args = nlohmann::json::object(),
                                         bool oneway = false) {
        return sim_.Enter(name_, operation, args, oneway);
    }
    [[nodiscard]] Simulation::Lock EnterOneway(
        const char* operation, const nlohmann::json& args = nlohmann::json::object()) {
        return sim_.Enter(name_, operation, args, true);
    }
    // An operation that neither the client, nor the tests, nor the demo
    // use: journaled, then NO_IMPLEMENT (docs/simulator.md).
    [[noreturn]] void NotServed(const char* operation, bool oneway = false) {
        auto lock = sim_.Enter(name_, operation, nlohmann::json::object(), oneway);
        throw CORBA::NO_IMPLEMENT(0, CORBA::COMPLETED_NO);
    }

    // Attribute accessors over attrs_: each journals "_get_NAME" or
    // "_set_NAME" (with {"value": ...}) and reads or stores the value.
    // Texts are stored as UTF-8, lists as arrays of UTF-8 texts, enums as
    // their ordinal.
    CORBA::Boolean GetFlag(const char* attr);
    void SetFlag(const char* attr, CORBA::Boolean value);
    CORBA::ULong GetULong(const char* attr);
    void SetULong(const char* attr, CORBA::ULong value);
    CORBA::ULongLong GetULongLong(const char* attr);
    void SetULongLong(const char* attr, CORBA::ULongLong value);
    CORBA::WChar* GetText(const char* attr);
    void SetText(const char* attr, const CORBA::WChar* value);
    BackupNetwork::WStringsList* GetList(const char* attr);
    void SetList(const char* attr, const BackupNetwork::WStringsList& value);
    template <class E>
    E GetEnum(const char* attr) {
        auto lock = Enter(("_get_" + std::string(attr)).c_str());
        return static_cast<E>(attrs_.value(attr, 0u));
    }
    template <class E>
    void SetEnum(const char* attr, E value) {
        auto lock =
            Enter(("_set_" + std::string(attr)).c_str(), {{"value", static_cast<unsigned>(value)}});
        attrs_[attr] = static_cast<unsigned>(value);
    }

    Simulation& sim_;
    const std::string name_;
    nlohmann::json attrs_ = nlohmann::json::object();
};

}  // namespace bnsim
