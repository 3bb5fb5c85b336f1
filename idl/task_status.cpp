#include "idl/task_status.h"

namespace wiretext {
namespace {

const char kOperation[] = "GetStatus";
const char* const kNoUserExceptions[] = {nullptr};

// A servant in this process is called directly, as the generated stub would.
void CallServant(omniCallDescriptor* call, omniServant* servant) {
    auto* impl = static_cast<BackupNetwork::_impl_Task*>(
        servant->_ptrToInterface(BackupNetwork::Task::_PD_repoId));
    auto* source = dynamic_cast<TaskStatusSource*>(impl);
    static_cast<TaskStatusCall*>(call)->result =
        source ? source->GetStatusValue() : static_cast<CORBA::ULong>(impl->GetStatus());
}

}  // namespace

TaskStatusCall::TaskStatusCall(bool upcall)
    : omniCallDescriptor(CallServant, kOperation, sizeof kOperation, 0, kNoUserExceptions, 0,
                         upcall) {}

void TaskStatusCall::unmarshalReturnedValues(cdrStream& stream) {
    result <<= stream;
}

void TaskStatusCall::marshalReturnedValues(cdrStream& stream) {
    result >>= stream;
}

CORBA::ULong GetTaskStatus(BackupNetwork::Task_ptr task) {
    TaskStatusCall call(false);
    task->_invoke(call);
    return call.result;
}

}  // namespace wiretext
