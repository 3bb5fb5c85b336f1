// Which type questions a proxy answers itself and which it asks the object.
// The references point where nothing listens, so a question that leaves the
// process ends in TRANSIENT.

#include <gtest/gtest.h>

#include <functional>

#include "BackupWorkstation.hh"
#include "CVServices.hh"
#include "loopback_orb.h"

namespace idltest {
namespace {

namespace BW = BackupWorkstation;

enum class Answer { kYes, kNo, kAsksTheObject };

bool NarrowsToRead(CORBA::Object_ptr object) {
    BW::IDLBackupDataRead_var read = BW::IDLBackupDataRead::_narrow(object);
    return !CORBA::is_nil(read);
}

TEST(Narrowing, AnsweredLocallyWhereTheTypeIsKnown) {
    struct Row {
        const char* referenceType;
        const char* question;
        std::function<bool(CORBA::Object_ptr)> ask;
        Answer expected;
    };
    auto isA = [](const char* id) {
        return [id](CORBA::Object_ptr object) { return object->_is_a(id); };
    };
    const Row rows[] = {
        {"IDL:BackupWorkstation/IDLBackupDataWrite:1.0", "narrow to IDLBackupDataRead",
         NarrowsToRead, Answer::kYes},
        {"IDL:BackupWorkstation/IDLBackupDataBrowse:1.0", "narrow to IDLBackupDataRead",
         NarrowsToRead, Answer::kYes},
        // A Copy reference might be of a type deriving from both, so only
        // the object can tell (see CopyDoesNotNarrowToRead).
        {"IDL:BackupWorkstation/IDLBackupDataCopy:1.0", "narrow to IDLBackupDataRead",
         NarrowsToRead, Answer::kAsksTheObject},
        {"IDL:BackupWorkstation/IDLBackupDataWrite:1.0", "is IDLBackupDataRead",
         isA("IDL:BackupWorkstation/IDLBackupDataRead:1.0"), Answer::kYes},
        {"IDL:BackupWorkstation/IDLBackupDataRead:1.0", "is CORBA Object",
         isA("IDL:omg.org/CORBA/Object:1.0"), Answer::kYes},
        {"IDL:BackupWorkstation/Workstation:1.0", "is Workstation",
         isA("IDL:BackupWorkstation/Workstation:1.0"), Answer::kYes},
        {"IDL:BackupNetwork/Launcher:1.0", "is Launcher", isA("IDL:BackupNetwork/Launcher:1.0"),
         Answer::kYes},
        {"IDL:BackupNetwork/Launcher:1.0", "is CORBA Object", isA("IDL:omg.org/CORBA/Object:1.0"),
         Answer::kYes},
        {"IDL:BackupNetwork/Launcher:1.0", "is the prefixed Launcher",
         isA("IDL:tarmelin/BackupNetwork/Launcher:1.0"), Answer::kAsksTheObject},
        {"IDL:BackupWorkstation/IDLBackupDataRead:1.0", "is IDLBackupDataWrite",
         isA("IDL:BackupWorkstation/IDLBackupDataWrite:1.0"), Answer::kAsksTheObject},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.referenceType) + ": " + row.question);
        CORBA::Object_var object = LoopbackOrb::Get().DeadReference(row.referenceType);
        Answer answer;
        try {
            answer = row.ask(object.in()) ? Answer::kYes : Answer::kNo;
        } catch (const CORBA::TRANSIENT&) {
            answer = Answer::kAsksTheObject;
        }
        EXPECT_EQ(static_cast<int>(answer), static_cast<int>(row.expected))
            << "0 yes, 1 no, 2 asked the object";
    }
}

class CopyServant : public POA_BackupWorkstation::IDLBackupDataCopy {
public:
    BW::IDLErrorID StartCopying(const CORBA::WChar*) override { return BW::SUCCESS; }
    BW::IDLErrorID CopyFile(const CORBA::WChar*, const CORBA::WChar*, CORBA::Boolean) override {
        return BW::SUCCESS;
    }
    BW::IDLErrorID CopyFileDiff(const CORBA::WChar*, const CORBA::WChar*, const CORBA::WChar*,
                                CORBA::Boolean) override {
        return BW::SUCCESS;
    }
    BW::IDLErrorID FinishCopying() override { return BW::SUCCESS; }
    BW::IDLBackupDataWrite_ptr GetSourceFS() override { return BW::IDLBackupDataWrite::_nil(); }
    BW::IDLBackupDataWrite_ptr GetTargetFS(CORBA::Boolean) override {
        return BW::IDLBackupDataWrite::_nil();
    }
    void OnStop() override {}
};

TEST(Narrowing, CopyDoesNotNarrowToRead) {
    auto* servant = new CopyServant;
    CORBA::Object_var copy =
        LoopbackOrb::Get().Reach(servant, "IDL:BackupWorkstation/IDLBackupDataCopy:1.0");
    servant->_remove_ref();
    BW::IDLBackupDataRead_var read = BW::IDLBackupDataRead::_narrow(copy);
    EXPECT_TRUE(CORBA::is_nil(read));
}

}  // namespace
}  // namespace idltest
