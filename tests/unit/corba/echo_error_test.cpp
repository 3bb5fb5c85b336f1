#include <gtest/gtest.h>
#include <omniORB4/CORBA.h>

#include <omniORB4/Naming.hh>

#include "client/CCommonException.h"
#include "corba/CCorbaWrapper.h"
#include "corba/exception_info.h"
#include "tests/support/cerr_capture.h"

namespace {

TEST(EchoError, WritesEachGivenTextOnItsOwnLineAndThrowsThemWhenAsked) {
    struct Row {
        const char* label;
        const char* message;
        const char* name;
        const char* info;
        std::string lines;
    };
    // clang-format off
    const Row rows[] = {
        {"nothing", nullptr, nullptr, nullptr, ""},
        {"message only", "Failed to narrow the root naming context", nullptr, nullptr, "Failed to narrow the root naming context\n"},
        {"message, name, information", "An error occurred while initializing the ORB", "TRANSIENT",
         "minor code: 0x0, completed: COMPLETED_NO",
         "An error occurred while initializing the ORB\nTRANSIENT\nminor code: 0x0, completed: COMPLETED_NO\n"},
        {"a null message skips its line", nullptr, "TRANSIENT", "info", "TRANSIENT\ninfo\n"},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        CCorbaWrapper wrapper;
        {
            CerrCapture err;
            EXPECT_NO_THROW(wrapper.EchoError(row.message, row.name, row.info, false));
            EXPECT_EQ(err.str(), row.lines);
        }
        CerrCapture err;
        try {
            wrapper.EchoError(row.message, row.name, row.info, true);
            ADD_FAILURE() << "no exception";
        } catch (const CCommonException& e) {
            const std::wstring expected =
                L"exception message: " + std::wstring(row.lines.begin(), row.lines.end());
            EXPECT_EQ(std::wstring(e.GetErrorMessage()), expected);
        }
        EXPECT_EQ(err.str(), row.lines);
    }
}

TEST(ExceptionInfo, DescribesSystemAndUserExceptions) {
    const CORBA::TRANSIENT refused(omni::TRANSIENT_ConnectFailed, CORBA::COMPLETED_NO);
    EXPECT_EQ(ExceptionInfo(refused),
              "minor code: TRANSIENT_ConnectFailed (0x41540002), completed: COMPLETED_NO");
    // A peer's minor code 0 has no name: the number stands alone.
    const CORBA::OBJECT_NOT_EXIST gone(0, CORBA::COMPLETED_MAYBE);
    EXPECT_EQ(ExceptionInfo(gone), "minor code: 0x00000000, completed: COMPLETED_MAYBE");
    const CosNaming::NamingContext::NotFound notFound(CosNaming::NamingContext::missing_node,
                                                      CosNaming::Name());
    EXPECT_EQ(ExceptionInfo(notFound), "IDL:omg.org/CosNaming/NamingContext/NotFound:1.0");
    EXPECT_EQ(GetTAOExceptionDescriptionString(refused),
              "Exception name: TRANSIENT Info: minor code: TRANSIENT_ConnectFailed (0x41540002), "
              "completed: COMPLETED_NO");
    EXPECT_EQ(GetTAOExceptionDescriptionString(notFound),
              "Exception name: NotFound Info: IDL:omg.org/CosNaming/NamingContext/NotFound:1.0");
}

}  // namespace
