#include "operation_table.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "loopback_orb.h"

namespace idltest {
namespace {

struct Observed {
    std::string operation;
    bool expectsReply = false;
    std::string failure;  // empty when the request matched its row
    std::thread::id thread;
};

CORBA::Any DefaultValue(CORBA::TypeCode_ptr type) {
    static DynamicAny::DynAnyFactory_var factory = [] {
        CORBA::Object_var object =
            LoopbackOrb::Get().orb()->resolve_initial_references("DynAnyFactory");
        return DynamicAny::DynAnyFactory::_narrow(object);
    }();
    DynamicAny::DynAny_var value = factory->create_dyn_any_from_type_code(type);
    CORBA::Any_var any = value->to_any();
    value->destroy();
    return any.in();
}

class RecordingServant : public PortableServer::DynamicImplementation {
public:
    RecordingServant(const char* typeId, const std::vector<OperationRow>& rows)
        : typeId_(typeId), rows_(rows) {}

    void invoke(CORBA::ServerRequest_ptr request) override {
        Observed seen;
        seen.operation = request->operation();
        seen.expectsReply = LoopbackOrb::RequestExpectsReply();
        seen.thread = std::this_thread::get_id();
        const OperationRow* row = Find(seen.operation);
        if (!row) {
            seen.failure = "the interface has no operation of this name";
            Record(seen);
            CORBA::Any error;
            error <<= CORBA::BAD_OPERATION(0, CORBA::COMPLETED_NO);
            request->set_exception(error);
            return;
        }
        // omniORB's ServerRequest takes the list over in arguments().
        CORBA::NVList_ptr args;
        LoopbackOrb::Get().orb()->create_list(0, args);
        for (const Param& param : row->params) {
            CORBA::Any value;
            value.replace(param.type.in(), nullptr);
            args->add_value("", value, param.mode);
        }
        try {
            request->arguments(args);
        } catch (const CORBA::SystemException& e) {
            seen.failure = std::string("arguments do not decode: ") + e._name();
            Record(seen);
            throw;
        }
        for (CORBA::ULong i = 0; i < args->count(); ++i) {
            CORBA::NamedValue_ptr arg = args->item(i);
            if (arg->flags() == CORBA::ARG_OUT) *arg->value() = DefaultValue(row->params[i].type);
        }
        if (!CORBA::is_nil(row->result)) request->set_result(DefaultValue(row->result));
        Record(seen);
    }

    char* _primary_interface(const PortableServer::ObjectId&, PortableServer::POA_ptr) override {
        return CORBA::string_dup(typeId_.c_str());
    }

    // The next request that arrived, waiting for it if need be: a oneway
    // call returns before its request is dispatched.
    Observed Next() {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!arrived_.wait_for(lock, std::chrono::seconds(10), [this] { return !seen_.empty(); })) {
            Observed none;
            none.failure = "no request arrived";
            return none;
        }
        Observed first = seen_.front();
        seen_.pop_front();
        return first;
    }

private:
    const OperationRow* Find(const std::string& operation) const {
        for (const OperationRow& row : rows_)
            if (row.operation == operation) return &row;
        return nullptr;
    }

    void Record(const Observed& seen) {
        std::lock_guard<std::mutex> lock(mutex_);
        seen_.push_back(seen);
        arrived_.notify_all();
    }

    std::string typeId_;
    const std::vector<OperationRow>& rows_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<Observed> seen_;
};

}  // namespace

void CheckOperations(const char* typeId, const std::vector<OperationRow>& rows) {
    auto* servant = new RecordingServant(typeId, rows);
    CORBA::Object_var target = LoopbackOrb::Get().Reach(servant, typeId);
    servant->_remove_ref();  // the POA holds it now

    for (const OperationRow& row : rows) {
        SCOPED_TRACE(std::string(typeId) + " " + row.operation);
        try {
            row.invoke(target.in());
        } catch (const CORBA::Exception& e) {
            ADD_FAILURE() << "the call raised " << e._name();
        }
        const Observed seen = servant->Next();
        EXPECT_EQ(seen.failure, "");
        EXPECT_EQ(seen.operation, row.operation);
        EXPECT_EQ(seen.expectsReply, row.call == Call::kTwoWay) << "oneway or two-way";
        EXPECT_NE(seen.thread, std::this_thread::get_id()) << "collocated, nothing was marshalled";
    }
}

namespace wire {
namespace {
CORBA::TypeCode_ptr Own(CORBA::TypeCode_ptr constant) {
    return CORBA::TypeCode::_duplicate(constant);
}
}  // namespace

CORBA::TypeCode_ptr Void() {
    return CORBA::TypeCode::_nil();
}
CORBA::TypeCode_ptr WString() {
    return Own(CORBA::_tc_wstring);
}
CORBA::TypeCode_ptr Long() {
    return Own(CORBA::_tc_long);
}
CORBA::TypeCode_ptr ULong() {
    return Own(CORBA::_tc_ulong);
}
CORBA::TypeCode_ptr Enum() {
    return Own(CORBA::_tc_ulong);
}
CORBA::TypeCode_ptr Object() {
    return Own(CORBA::_tc_Object);
}

CORBA::TypeCode_ptr Sequence(CORBA::TypeCode_ptr element) {
    CORBA::TypeCode_var owned(element);
    return LoopbackOrb::Get().orb()->create_sequence_tc(0, owned.in());
}

}  // namespace wire

}  // namespace idltest
