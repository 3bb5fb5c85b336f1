// The operations of the workstation protocol's interfaces as they travel.
// Inherited operations are called through a reference of the derived type.

#include <gtest/gtest.h>

#include "BackupNetwork.hh"
#include "BackupWorkstation.hh"
#include "operation_table.h"

namespace idltest {
namespace {

using namespace wire;
namespace BW = BackupWorkstation;
using Target = CORBA::Object_ptr;

CORBA::TypeCode_ptr Attributes() {
    return Struct({ULongLong(), ULongLong(), ULongLong(), LongLong(), ULong(), Long(), WString()});
}

CORBA::TypeCode_ptr FileList() {
    return Sequence(Struct({Attributes(), WString(), WString()}));
}

// The ten operations of IDLBackupDataRead, called through a reference of
// type Interface, which is IDLBackupDataRead or derives from it.
template <class Interface>
std::vector<OperationRow> ReadRows() {
    return {
        {"SetRoot",
         Call::kTwoWay,
         Enum(),
         {In(WString())},
         [](Target t) { As<Interface>(t)->SetRoot(L"/"); }},
        {"GetListing",
         Call::kTwoWay,
         Enum(),
         {In(WString()), Out(FileList())},
         [](Target t) {
             BW::List_var listing;
             As<Interface>(t)->GetListing(L"/", listing.out());
         }},
        {"GetElementAttributes",
         Call::kTwoWay,
         Enum(),
         {In(WString()), InOut(Attributes())},
         [](Target t) {
             BW::Attributes attributes{};
             As<Interface>(t)->GetElementAttributes(L"/a", attributes);
         }},
        {"IsPathExists",
         Call::kTwoWay,
         Boolean(),
         {In(WString())},
         [](Target t) { As<Interface>(t)->IsPathExists(L"/a"); }},
        {"OpenFile",
         Call::kTwoWay,
         Enum(),
         {In(WString()), In(Enum()), InOut(ULong())},
         [](Target t) {
             CORBA::ULong handle = 0;
             As<Interface>(t)->OpenFile(L"/a", BW::Write, handle);
         }},
        {"OpenFileSignature",
         Call::kTwoWay,
         Enum(),
         {In(WString()), InOut(ULong())},
         [](Target t) {
             CORBA::ULong handle = 0;
             As<Interface>(t)->OpenFileSignature(L"/a", handle);
         }},
        {"OpenFilePatch",
         Call::kTwoWay,
         Enum(),
         {In(WString()), In(WString()), InOut(ULong())},
         [](Target t) {
             CORBA::ULong handle = 0;
             As<Interface>(t)->OpenFilePatch(L"/a", L"/b", handle);
         }},
        {"ReadFile",
         Call::kTwoWay,
         Enum(),
         {InOut(Octets()), InOut(ULong()), In(ULong())},
         [](Target t) {
             BackupNetwork::BinaryData data;
             CORBA::ULong size = 0;
             As<Interface>(t)->ReadFile(data, size, 1);
         }},
        {"CloseFile",
         Call::kTwoWay,
         Enum(),
         {In(ULong())},
         [](Target t) { As<Interface>(t)->CloseFile(1); }},
        {"OnStop", Call::kTwoWay, Void(), {}, [](Target t) { As<Interface>(t)->OnStop(); }},
    };
}

TEST(DataReadOperations, TravelAsDescribed) {
    CheckOperations("IDL:BackupWorkstation/IDLBackupDataRead:1.0",
                    ReadRows<BW::IDLBackupDataRead>());
}

TEST(DataWriteOperations, TravelAsDescribed) {
    using W = BW::IDLBackupDataWrite;
    auto rows = Join({
        ReadRows<W>(),
        {{"BeginTransaction",
          Call::kTwoWay,
          Enum(),
          {},
          [](Target t) { As<W>(t)->BeginTransaction(); }},
         {"CommitTransaction",
          Call::kTwoWay,
          Enum(),
          {},
          [](Target t) { As<W>(t)->CommitTransaction(); }},
         {"OpenFilePatching",
          Call::kTwoWay,
          Enum(),
          {In(WString()), In(WString()), InOut(ULong())},
          [](Target t) {
              CORBA::ULong handle = 0;
              As<W>(t)->OpenFilePatching(L"/a", L"/b", handle);
          }},
         {"WriteFile",
          Call::kTwoWay,
          Enum(),
          {In(Octets()), InOut(ULong()), In(ULong())},
          [](Target t) {
              CORBA::ULong size = 0;
              As<W>(t)->WriteFile(BackupNetwork::BinaryData(), size, 1);
          }},
         {"SetElementAttributes",
          Call::kTwoWay,
          Enum(),
          {In(WString()), In(Attributes())},
          [](Target t) { As<W>(t)->SetElementAttributes(L"/a", BW::Attributes{}); }},
         {"CreateFolder",
          Call::kTwoWay,
          Enum(),
          {In(WString())},
          [](Target t) { As<W>(t)->CreateFolder(L"/a"); }},
         {"DeleteFolder",
          Call::kTwoWay,
          Enum(),
          {In(WString())},
          [](Target t) { As<W>(t)->DeleteFolder(L"/a"); }},
         {"DeleteFile",
          Call::kTwoWay,
          Enum(),
          {In(WString())},
          [](Target t) { As<W>(t)->DeleteFile(L"/a"); }}},
    });
    CheckOperations("IDL:BackupWorkstation/IDLBackupDataWrite:1.0", rows);
}

TEST(DataCopyAndBrowseOperations, TravelAsDescribed) {
    using C = BW::IDLBackupDataCopy;
    const std::vector<OperationRow> copy = {
        {"StartCopying",
         Call::kTwoWay,
         Enum(),
         {In(WString())},
         [](Target t) { As<C>(t)->StartCopying(L"/a"); }},
        {"CopyFile",
         Call::kTwoWay,
         Enum(),
         {In(WString()), In(WString()), In(Boolean())},
         [](Target t) { As<C>(t)->CopyFile(L"/a", L"/b", true); }},
        {"CopyFileDiff",
         Call::kTwoWay,
         Enum(),
         {In(WString()), In(WString()), In(WString()), In(Boolean())},
         [](Target t) { As<C>(t)->CopyFileDiff(L"/a", L"/b", L"/c", true); }},
        {"FinishCopying", Call::kTwoWay, Enum(), {}, [](Target t) { As<C>(t)->FinishCopying(); }},
        {"GetSourceFS",
         Call::kTwoWay,
         Object(),
         {},
         [](Target t) { Discard(As<C>(t)->GetSourceFS()); }},
        {"GetTargetFS",
         Call::kTwoWay,
         Object(),
         {In(Boolean())},
         [](Target t) { Discard(As<C>(t)->GetTargetFS(true)); }},
        {"OnStop", Call::kTwoWay, Void(), {}, [](Target t) { As<C>(t)->OnStop(); }},
    };
    CheckOperations("IDL:BackupWorkstation/IDLBackupDataCopy:1.0", copy);

    using B = BW::IDLBackupDataBrowse;
    auto browse = Join({
        ReadRows<B>(),
        {{"Free", Call::kTwoWay, Void(), {}, [](Target t) { As<B>(t)->Free(); }}},
    });
    CheckOperations("IDL:BackupWorkstation/IDLBackupDataBrowse:1.0", browse);

    using S = BW::WorkstationSettings;
    const std::vector<OperationRow> settings = {
        {"SetTempFolder",
         Call::kTwoWay,
         Enum(),
         {In(WString()), In(Boolean())},
         [](Target t) { As<S>(t)->SetTempFolder(L"/tmp", false); }},
        {"GetTempFolder",
         Call::kTwoWay,
         WString(),
         {},
         [](Target t) { Discard(As<S>(t)->GetTempFolder()); }},
        {"GetDefaultTempFolder",
         Call::kTwoWay,
         WString(),
         {},
         [](Target t) { Discard(As<S>(t)->GetDefaultTempFolder()); }},
    };
    CheckOperations("IDL:BackupWorkstation/WorkstationSettings:1.0", settings);
}

TEST(WorkstationAndSessionOperations, TravelAsDescribed) {
    using W = BW::Workstation;
    const std::vector<OperationRow> workstation = {
        {"_get_name", Call::kTwoWay, WString(), {}, [](Target t) { Discard(As<W>(t)->name()); }},
        {"_get_host", Call::kTwoWay, WString(), {}, [](Target t) { Discard(As<W>(t)->host()); }},
        {"OpenSession",
         Call::kTwoWay,
         Object(),
         {In(Object()), In(Object())},
         [](Target t) {
             Discard(
                 As<W>(t)->OpenSession(BackupNetwork::Session::_nil(), BackupNetwork::Log::_nil()));
         }},
        {"CloseSession",
         Call::kOneway,
         Void(),
         {In(Object())},
         [](Target t) { As<W>(t)->CloseSession(BW::Session::_nil()); }},
        {"ping", Call::kOneway, Void(), {}, [](Target t) { As<W>(t)->ping(); }},
        {"Shutdown", Call::kOneway, Void(), {}, [](Target t) { As<W>(t)->Shutdown(); }},
    };
    CheckOperations("IDL:BackupWorkstation/Workstation:1.0", workstation);

    using S = BW::Session;
    const std::vector<OperationRow> session = {
        {"GetReadInterface",
         Call::kTwoWay,
         Object(),
         {},
         [](Target t) { Discard(As<S>(t)->GetReadInterface()); }},
        {"GetWriteInterface",
         Call::kTwoWay,
         Object(),
         {},
         [](Target t) { Discard(As<S>(t)->GetWriteInterface()); }},
        {"GetCopyInterface",
         Call::kTwoWay,
         Object(),
         {In(Struct({Boolean(), WStrings(), Object()})), In(Object())},
         [](Target t) { Discard(As<S>(t)->GetCopyInterface(BW::ISettings(), S::_nil())); }},
        {"GetBackupInterface",
         Call::kTwoWay,
         Object(),
         {In(WStrings())},
         [](Target t) { Discard(As<S>(t)->GetBackupInterface(BackupNetwork::WStringsList())); }},
        {"GetSettings",
         Call::kTwoWay,
         Object(),
         {},
         [](Target t) { Discard(As<S>(t)->GetSettings()); }},
    };
    CheckOperations("IDL:BackupWorkstation/Session:1.0", session);
}

}  // namespace
}  // namespace idltest
