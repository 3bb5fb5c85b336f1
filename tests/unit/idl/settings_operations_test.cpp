// The operations of ServerSettings, Link, Log and OperationProgress as they
// travel.

#include <gtest/gtest.h>

#include "BackupNetwork.hh"
#include "operation_table.h"

namespace idltest {
namespace {

using namespace wire;
namespace BN = BackupNetwork;
using Target = CORBA::Object_ptr;

CORBA::TypeCode_ptr Smtp() {
    return Struct({Boolean(), WString(), ULong(), Boolean(), WString(), WString(), WString(),
                   WString(), WString(), WString(), Boolean()});
}

CORBA::TypeCode_ptr LinkParam() {
    return Struct({WString(), WString(), WString(), Boolean()});
}

TEST(ServerSettingsOperations, TravelAsDescribed) {
    using S = BN::ServerSettings;
    auto rows = Join({
        {{"SetTempFolder",
          Call::kTwoWay,
          Boolean(),
          {In(WString()), In(Boolean())},
          [](Target t) { As<S>(t)->SetTempFolder(L"/tmp", true); }},
         {"GetTempFolder",
          Call::kTwoWay,
          WString(),
          {},
          [](Target t) { Discard(As<S>(t)->GetTempFolder()); }},
         {"GetDefaultTempFolder",
          Call::kTwoWay,
          WString(),
          {},
          [](Target t) { Discard(As<S>(t)->GetDefaultTempFolder()); }}},
        Attribute(
            "proxyAutoDetect", Boolean, [](Target t) { As<S>(t)->proxyAutoDetect(); },
            [](Target t) { As<S>(t)->proxyAutoDetect(true); }),
        Attribute(
            "proxyHost", WString, [](Target t) { Discard(As<S>(t)->proxyHost()); },
            [](Target t) { As<S>(t)->proxyHost(L"proxy"); }),
        Attribute(
            "proxyPort", ULong, [](Target t) { As<S>(t)->proxyPort(); },
            [](Target t) { As<S>(t)->proxyPort(3128); }),
        Attribute(
            "proxyUser", WString, [](Target t) { Discard(As<S>(t)->proxyUser()); },
            [](Target t) { As<S>(t)->proxyUser(L"user"); }),
        Attribute(
            "proxyPassword", WString, [](Target t) { Discard(As<S>(t)->proxyPassword()); },
            [](Target t) { As<S>(t)->proxyPassword(L"secret"); }),
        Attribute(
            "taskLogMaxSize", ULong, [](Target t) { As<S>(t)->taskLogMaxSize(); },
            [](Target t) { As<S>(t)->taskLogMaxSize(1); }),
        Attribute(
            "sysLogMaxSize", ULong, [](Target t) { As<S>(t)->sysLogMaxSize(); },
            [](Target t) { As<S>(t)->sysLogMaxSize(2); }),
        Attribute(
            "smtp", Smtp, [](Target t) { Discard(As<S>(t)->smtp()); },
            [](Target t) { As<S>(t)->smtp(BN::SMTP()); }),
        Attribute(
            "defaultStorage", WString, [](Target t) { Discard(As<S>(t)->defaultStorage()); },
            [](Target t) { As<S>(t)->defaultStorage(L"storage"); }),
        Attribute(
            "lang", WString, [](Target t) { Discard(As<S>(t)->lang()); },
            [](Target t) { As<S>(t)->lang(L"en"); }),
    });
    CheckOperations("IDL:tarmelin/BackupNetwork/ServerSettings:1.0", rows);
}

TEST(LinkOperations, TravelAsDescribed) {
    using L = BN::Link;
    const std::vector<OperationRow> rows = {
        {"_get_name", Call::kTwoWay, WString(), {}, [](Target t) { Discard(As<L>(t)->name()); }},
        {"SetView",
         Call::kTwoWay,
         Boolean(),
         {In(WString())},
         [](Target t) { As<L>(t)->SetView(L"view"); }},
        {"GetView",
         Call::kTwoWay,
         Boolean(),
         {Out(WString())},
         [](Target t) {
             CORBA::WString_var view;
             As<L>(t)->GetView(view.out());
         }},
        {"SetParameter",
         Call::kTwoWay,
         Boolean(),
         {In(LinkParam())},
         [](Target t) { As<L>(t)->SetParameter(BN::LinkParam()); }},
        {"GetParameter",
         Call::kTwoWay,
         Boolean(),
         {In(WString()), InOut(LinkParam())},
         [](Target t) {
             BN::LinkParam param;
             As<L>(t)->GetParameter(L"name", param);
         }},
        {"SetHeader",
         Call::kTwoWay,
         Boolean(),
         {In(LinkParam())},
         [](Target t) { As<L>(t)->SetHeader(BN::LinkParam()); }},
        {"GetHeader",
         Call::kTwoWay,
         Boolean(),
         {In(WString()), InOut(LinkParam())},
         [](Target t) {
             BN::LinkParam param;
             As<L>(t)->GetHeader(L"name", param);
         }},
    };
    CheckOperations("IDL:tarmelin/BackupNetwork/Link:1.0", rows);
}

TEST(LogAndProgressOperations, TravelAsDescribed) {
    using L = BN::Log;
    const std::vector<OperationRow> log = {
        {"_get_filePath",
         Call::kTwoWay,
         WString(),
         {},
         [](Target t) { Discard(As<L>(t)->filePath()); }},
        {"Open", Call::kTwoWay, Boolean(), {}, [](Target t) { As<L>(t)->Open(); }},
        {"Close", Call::kOneway, Void(), {}, [](Target t) { As<L>(t)->Close(); }},
        {"Clear", Call::kOneway, Void(), {}, [](Target t) { As<L>(t)->Clear(); }},
        {"Rewind", Call::kOneway, Void(), {}, [](Target t) { As<L>(t)->Rewind(); }},
        {"GetNextLine",
         Call::kTwoWay,
         Boolean(),
         {Out(WString())},
         [](Target t) {
             CORBA::WString_var line;
             As<L>(t)->GetNextLine(line.out());
         }},
        {"Read",
         Call::kTwoWay,
         Boolean(),
         {InOut(Octets()), InOut(ULong())},
         [](Target t) {
             BN::BinaryData data;
             CORBA::ULong size = 0;
             As<L>(t)->Read(data, size);
         }},
        {"Write",
         Call::kOneway,
         Void(),
         {In(Enum()), In(WString())},
         [](Target t) { As<L>(t)->Write(BN::Debug, L"message"); }},
    };
    CheckOperations("IDL:tarmelin/BackupNetwork/Log:1.0", log);

    const std::vector<OperationRow> progress = {
        {"NextChunk",
         Call::kOneway,
         Void(),
         {In(LongLong())},
         [](Target t) { As<BN::OperationProgress>(t)->NextChunk(-1); }},
    };
    CheckOperations("IDL:tarmelin/BackupNetwork/OperationProgress:1.0", progress);
}

}  // namespace
}  // namespace idltest
