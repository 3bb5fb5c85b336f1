// The ORB option vector the wrapper builds and its translation into
// omniORB's options.
#include "corba/orb_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "corba/CCorbaWrapper.h"
#include "corba/initial_references.h"
#include "harness/files.h"
#include "tests/support/scoped_env.h"
#include "utility/system.h"

namespace {

using Wide = std::vector<std::wstring>;
using Narrow = std::vector<std::string>;

TEST(OrbArguments, KeepsEveryPointerValidAndSkipsANullValue) {
    OrbArguments arguments;
    arguments.Add(L"-first", nullptr);
    wchar_t* const first = arguments.Vector()[0];
    // Enough texts that a container which moves its elements would have.
    for (int i = 0; i < 200; ++i) arguments.Add(L"-option", std::to_wstring(i).c_str());
    EXPECT_EQ(arguments.Count(), 401);
    EXPECT_EQ(arguments.Vector()[0], first);
    EXPECT_EQ(std::wstring(first), L"-first");
    EXPECT_EQ(std::wstring(arguments.Vector()[400]), L"199");
    arguments.Clear();
    EXPECT_EQ(arguments.Count(), 0);
    EXPECT_EQ(arguments.Vector(), nullptr);
}

TEST(OrbArgumentVector, FollowsTheSettings) {
    struct Row {
        const char* label;
        void (*configure)(CCorbaWrapper&);
        const wchar_t* host;
        const wchar_t* port;
        Wide expected;
    };
    const std::wstring name = CVLib::system::GetComputerNetworkName();
    const std::wstring shared[] = {L"-ORBUseParallelConnects", L"1", L"-ORBUseSharedProfile", L"1"};
    // clang-format off
    const Row rows[] = {
        {"the console's settings", [](CCorbaWrapper&) {}, L"localhost", L"1755",
         {L"-ORBInitRef", L"NameService=iiop://localhost:1755/NameService", L"-ORBListenEndpoints", L"iiop:///hostname_in_ior=" + name}},
        {"every optional field set", [](CCorbaWrapper& w) {
             w.SetUseSsl(true); w.SetListenAddress(L"10.0.0.5"); w.SetIorHostName(L"backup-7");
             w.SetOrbDebugLevel(L"10"); w.SetOrbLogFile(L"/tmp/orb.log"); }, L"coord.example", L"2809",
         {L"-ORBInitRef", L"NameService=ssliop://coord.example:2809/NameService", L"-ORBListenEndpoints",
          L"iiop://10.0.0.5/hostname_in_ior=backup-7", L"-ORBDebugLevel", L"10", L"-ORBLogFile", L"/tmp/orb.log"}},
        {"no host name to publish, host and port unchecked", [](CCorbaWrapper& w) { w.SetIorHostName(L""); }, L"", L"port",
         {L"-ORBInitRef", L"NameService=iiop://:port/NameService", L"-ORBListenEndpoints", L"iiop://"}},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        Wide expected = row.expected;
        expected.insert(expected.end(), std::begin(shared), std::end(shared));
        CCorbaWrapper wrapper;
        row.configure(wrapper);
        // Built afresh each time, not appended to.
        for (int time = 0; time < 2; ++time) {
            wrapper.FillOrbArguments(row.host, row.port);
            EXPECT_EQ(wrapper.GetOrbArguments().Texts(), expected);
        }
    }
}

TEST(OrbOptionTranslation, SpeaksOmniOrbsDialect) {
    struct Row {
        const char* label;
        Wide in;
        Narrow out;
        bool defaults = true;  // out is followed by the options the client adds by default
    };
    const std::string always[] = {
        "-ORBtraceLevel",     "0",         "-ORBverifyObjectExistsAndType", "0",
        "-ORBgiopMaxMsgSize", "33554432"};
    // clang-format off
    const Row rows[] = {
        {"the console's vector",
         {L"-ORBInitRef", L"NameService=iiop://localhost:1755/NameService", L"-ORBListenEndpoints",
          L"iiop:///hostname_in_ior=backup-7", L"-ORBUseParallelConnects", L"1", L"-ORBUseSharedProfile", L"1"},
         {"-ORBInitRef", "NameService=corbaloc:iiop:1.2@localhost:1755/NameService", "-ORBendPoint", "giop:tcp::",
          "-ORBendPointPublish", "giop:tcp:backup-7:"}},
        {"every option",
         {L"-ORBInitRef", L"NameService=ssliop://coord:2809/NameService",
          L"-ORBListenEndpoints", L"iiop://10.0.0.5/hostname_in_ior=backup-7",
          L"-ORBDebugLevel", L"10", L"-ORBLogFile", L"/tmp/orb.log", L"-ORBUseParallelConnects", L"1", L"-ORBUseSharedProfile", L"1"},
         {"-ORBInitRef", "NameService=corbaloc:ssliop:1.2@coord:2809/NameService", "-ORBendPoint", "giop:tcp:10.0.0.5:",
          "-ORBendPointPublish", "giop:tcp:backup-7:", "-ORBtraceLevel", "10", "-ORBtraceFile", "/tmp/orb.log",
          "-ORBverifyObjectExistsAndType", "0", "-ORBgiopMaxMsgSize", "33554432"}, false},
        {"a listen address with its port, no host name", {L"-ORBListenEndpoints", L"iiop://0.0.0.0:4000"},
         {"-ORBendPoint", "giop:tcp:0.0.0.0:4000"}},
        {"omniORB's own options and other references pass unchanged",
         {L"-ORBgiopMaxMsgSize", L"1000", L"-ORBInitRef", L"Other=corbaloc::h:1/Other"},
         {"-ORBgiopMaxMsgSize", "1000", "-ORBInitRef", "Other=corbaloc::h:1/Other"}},
        {"wide text becomes UTF-8", {L"-ORBInitRef", L"NameService=iiop://\u0441\u0435\u0440\u0432\u0435\u0440:1755/NameService"},
         {"-ORBInitRef", "NameService=corbaloc:iiop:1.2@\xd1\x81\xd0\xb5\xd1\x80\xd0\xb2\xd0\xb5\xd1\x80:1755/NameService"}},
        {"an option missing its value at the end passes unchanged", {L"-ORBDebugLevel"}, {"-ORBDebugLevel"}},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        Narrow expected = row.out;
        if (row.defaults) expected.insert(expected.end(), std::begin(always), std::end(always));
        std::vector<std::wstring> texts = row.in;
        std::vector<wchar_t*> argv;
        for (std::wstring& text : texts) argv.push_back(text.data());
        OmniOrbArguments translated =
            TranslateOrbArguments(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(translated.Texts(), expected);
        EXPECT_EQ(translated.OrbId(), "omniORB4");
        ASSERT_EQ(translated.Count(), static_cast<int>(expected.size()));
        for (int i = 0; i < translated.Count(); ++i)
            EXPECT_EQ(std::string(translated.Vector()[i]), expected[i]);
        EXPECT_EQ(translated.Vector()[translated.Count()], nullptr);
    }
}

// The client's default trace level 0 gives way to a trace level or trace file
// the user set for omniORB, in its environment or its configuration file.
TEST(OrbOptionTranslation, OmniOrbsOwnTraceSettingsWin) {
    harness::TempDir dir;
    const std::string config = dir.path() + "/omniORB.cfg";
    // clang-format off
    const struct { std::optional<std::string> level, file; std::string config; bool silenced; } rows[] = {
        {{}, {}, "", true}, {"10", {}, "", false}, {{}, "/var/log/orb", "", false},
        {{}, {}, "# omniORB\n  traceLevel = 25  # verbose\n", false}, {{}, {}, "ORBtraceFile=/var/log/orb\n", false},
        {{}, {}, "# traceLevel = 25\n", true}, {{}, {}, "clientCallTimeOutPeriod = 10\ntraceLevelX = 1\n", true},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.config);
        harness::WriteFile(config, row.config);
        support::ScopedEnv level("ORBtraceLevel", row.level), file("ORBtraceFile", row.file),
            where("OMNIORB_CONFIG", config);
        const Narrow texts = TranslateOrbArguments(0, nullptr).Texts();
        EXPECT_EQ(std::count(texts.begin(), texts.end(), "-ORBtraceLevel"), row.silenced);
    }
}

// omniORB takes the console's options: the Coordinator's reference is there,
// nothing has been asked of it; unregistered, it is gone. No options, no ORB.
TEST(OrbOptionTranslation, OmniOrbAcceptsTheConsolesOptions) {
    CCorbaWrapper wrapper;
    OrbArguments arguments;
    wrapper.FillOrbArguments(L"localhost", L"1755");
    for (const std::wstring& text : wrapper.GetOrbArguments().Texts())
        arguments.Add(text.c_str(), nullptr);
    CORBA::ORB_var orb = wrapper.GetNewOrb(arguments.Count(), arguments.Vector(), L"localhost");
    ASSERT_FALSE(CORBA::is_nil(orb));
    EXPECT_FALSE(CORBA::is_nil(CORBA::Object_var(orb->resolve_initial_references("NameService"))));
    UnregisterInitialReference(orb, "NameService");
    EXPECT_THROW(CORBA::Object_var(orb->resolve_initial_references("NameService")),
                 CORBA::NO_RESOURCES);
    orb->destroy();
    // Like any call on an ORB that is gone.
    EXPECT_THROW(UnregisterInitialReference(orb, "NameService"), CORBA::OBJECT_NOT_EXIST);

    EXPECT_TRUE(CORBA::is_nil(CORBA::ORB_var(wrapper.GetNewOrb(0, nullptr, L"localhost"))));
    EXPECT_EQ(wrapper.InitORBAndRunInThread(0, nullptr, L"localhost"), 1);
    EXPECT_TRUE(CORBA::is_nil(wrapper.GetOrb()));
}

}  // namespace
