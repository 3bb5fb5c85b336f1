#include "loopback_orb.h"

#include <omniORB4/IIOP.h>
#include <omniORB4/omniInterceptors.h>
// omniORB tells whether a request expects a reply only through the GIOP_S of
// its request interceptor, an internal class whose headers must come in this
// order.
// clang-format off
#include <omniORB4/internal/giopStrand.h>
#include <omniORB4/internal/giopStream.h>
#include <omniORB4/internal/GIOP_S.h>
// clang-format on

#include <cstdio>
#include <stdexcept>

namespace idltest {
namespace {

thread_local bool tlsExpectsReply = true;

CORBA::Boolean NoteResponseExpected(omni::omniInterceptors::serverReceiveRequest_T::info_T& info) {
    tlsExpectsReply = info.giop_s.response_expected();
    return 1;
}

struct ParsedIor {
    std::string typeId;
    IIOP::ProfileBody body;
};

ParsedIor Parse(const char* ior) {
    const std::string hex(ior);
    if (hex.compare(0, 4, "IOR:") != 0) throw std::runtime_error("not an IOR: " + hex);
    cdrMemoryStream stream;
    for (std::size_t i = 4; i + 1 < hex.size(); i += 2)
        stream.marshalOctet(static_cast<CORBA::Octet>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    stream.rewindInputPtr();
    stream.setByteSwapFlag(stream.unmarshalBoolean());
    IOP::IOR parsed;
    parsed.type_id = IOP::IOR::unmarshaltype_id(stream);
    parsed.profiles <<= stream;
    for (CORBA::ULong i = 0; i < parsed.profiles.length(); ++i) {
        if (parsed.profiles[i].tag == IOP::TAG_INTERNET_IOP) {
            ParsedIor result;
            result.typeId = parsed.type_id.in();
            IIOP::unmarshalProfile(parsed.profiles[i], result.body);
            return result;
        }
    }
    throw std::runtime_error("IOR without an IIOP profile");
}

std::string Stringify(const char* typeId, const IIOP::ProfileBody& body) {
    IOP::IOR ior;
    ior.type_id = typeId;
    ior.profiles.length(1);
    IIOP::encodeProfile(body, ior.profiles[0]);
    cdrMemoryStream stream;
    stream.marshalBoolean(omni::myByteOrder);
    ior >>= stream;
    std::string text = "IOR:";
    const auto* bytes = static_cast<const CORBA::Octet*>(stream.bufPtr());
    char digits[3];
    for (CORBA::ULong i = 0; i < stream.bufSize(); ++i) {
        std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
        text += digits;
    }
    return text;
}

}  // namespace

LoopbackOrb& LoopbackOrb::Get() {
    static LoopbackOrb instance;
    return instance;
}

LoopbackOrb::LoopbackOrb() {
    const char* options[][2] = {{"endPoint", "giop:tcp:127.0.0.1:"}, {nullptr, nullptr}};
    int argc = 0;
    orb_ = CORBA::ORB_init(argc, nullptr, "omniORB4", options);
    // omniORB hands out its interceptor lists only once the ORB exists.
    omniORB::getInterceptors()->serverReceiveRequest.add(NoteResponseExpected);
    CORBA::Object_var root = orb_->resolve_initial_references("RootPOA");
    poa_ = PortableServer::POA::_narrow(root);
    PortableServer::POAManager_var manager = poa_->the_POAManager();
    manager->activate();
}

LoopbackOrb::~LoopbackOrb() {
    try {
        poa_->destroy(true, true);
        orb_->destroy();
    } catch (const CORBA::Exception&) {
        // The program is ending; nothing is left to report to.
    }
}

CORBA::Object_ptr LoopbackOrb::Reach(PortableServer::Servant servant, const char* typeId) {
    PortableServer::ObjectId_var id = poa_->activate_object(servant);
    CORBA::Object_var local = poa_->id_to_reference(id.in());
    CORBA::String_var ior = orb_->object_to_string(local);
    ParsedIor parsed = Parse(ior.in());
    parsed.body.address.host = "localhost";
    return orb_->string_to_object(Stringify(typeId, parsed.body).c_str());
}

CORBA::Object_ptr LoopbackOrb::DeadReference(const char* typeId) {
    IIOP::ProfileBody body;
    body.version.major = 1;
    body.version.minor = 2;
    body.address.host = "127.0.0.1";
    body.address.port = 1;
    body.object_key.length(4);
    for (CORBA::ULong i = 0; i < 4; ++i) body.object_key[i] = static_cast<CORBA::Octet>('k');
    return orb_->string_to_object(Stringify(typeId, body).c_str());
}

bool LoopbackOrb::RequestExpectsReply() {
    return tlsExpectsReply;
}

}  // namespace idltest
