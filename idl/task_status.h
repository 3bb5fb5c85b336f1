// A task's status as it travels. TaskStatus is an unsigned long on the wire,
// and a server newer than this client may answer a value past tsTotal; the
// code that omniidl generates refuses such a value (MARSHAL,
// InvalidEnumValue) before the caller sees it, and C++ cannot hold it in the
// enumeration either. Both ends of Task::GetStatus therefore have a form here
// that carries the value as an unsigned long, with the same request and reply
// on the wire as the generated code.
//
// Safe from any thread that may make calls on the reference.
#pragma once

#include <omniORB4/CORBA.h>
#include <omniORB4/callDescriptor.h>

#include "BackupNetwork.hh"

namespace wiretext {

// Task::GetStatus, every 32-bit value allowed. Raises what the call raises.
CORBA::ULong GetTaskStatus(BackupNetwork::Task_ptr task);

// A Task servant that may answer values past tsTotal implements this too: a
// call from its own process reaches the servant directly, without the wire,
// and asks it here instead of through GetStatus.
class TaskStatusSource {
public:
    virtual CORBA::ULong GetStatusValue() = 0;

protected:
    ~TaskStatusSource() = default;
};

// The call descriptor of Task::GetStatus with an unsigned long result. A
// servant that answers values past tsTotal implements TaskStatusSource and
// dispatches "GetStatus" with one of these (upcall true); a call from the
// servant's own process reaches it the same way.
class TaskStatusCall : public omniCallDescriptor {
public:
    explicit TaskStatusCall(bool upcall);

    void unmarshalReturnedValues(cdrStream& stream) override;
    void marshalReturnedValues(cdrStream& stream) override;

    CORBA::ULong result = 0;
};

}  // namespace wiretext
