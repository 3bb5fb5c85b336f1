// Values whose encoding is easy to get wrong, sent through real servants over
// the loopback: what the servant received and what came back.

#include <gtest/gtest.h>

#include "BackupNetwork.hh"
#include "BackupWorkstation.hh"
#include "idl/wire_text.h"
#include "loopback_orb.h"

namespace idltest {
namespace {

namespace BN = BackupNetwork;
namespace BW = BackupWorkstation;

// Keeps what it is sent; a two-way call's reply orders the servant's writes
// before the test's reads.
class ReadServant : public POA_BackupWorkstation::IDLBackupDataRead {
public:
    BW::Attributes received{};
    CORBA::ULong receivedDataLength = 99;
    std::wstring root;

    BW::IDLErrorID SetRoot(const CORBA::WChar* path) override {
        root = path;
        return BW::SUCCESS;
    }
    BW::IDLErrorID GetListing(const CORBA::WChar*, BW::List_out listing) override {
        listing = new BW::List;
        return BW::HANDLE_EOF;
    }
    BW::IDLErrorID GetElementAttributes(const CORBA::WChar*, BW::Attributes& attributes) override {
        received = attributes;
        return BW::STOPPED;
    }
    CORBA::Boolean IsPathExists(const CORBA::WChar*) override { return true; }
    BW::IDLErrorID OpenFile(const CORBA::WChar*, BW::FileAccessMode, CORBA::ULong&) override {
        return BW::SUCCESS;
    }
    BW::IDLErrorID OpenFileSignature(const CORBA::WChar*, CORBA::ULong&) override {
        return BW::SUCCESS;
    }
    BW::IDLErrorID OpenFilePatch(const CORBA::WChar*, const CORBA::WChar*, CORBA::ULong&) override {
        return BW::SUCCESS;
    }
    BW::IDLErrorID ReadFile(BN::BinaryData& data, CORBA::ULong& size, CORBA::ULong) override {
        receivedDataLength = data.length();
        size = 0;
        return BW::HANDLE_EOF;
    }
    BW::IDLErrorID CloseFile(CORBA::ULong) override { return BW::SUCCESS; }
    void OnStop() override {}
};

class FilterServant : public POA_BackupNetwork::FileFilterProperties {
public:
    TimeBase::IntervalT interval{0, 0};
    BN::WStringsList masksHeld;

    CORBA::ULong attributes() override { return 0; }
    void attributes(CORBA::ULong) override {}
    BN::WStringsList* masks() override { return new BN::WStringsList(masksHeld); }
    void masks(const BN::WStringsList& value) override { masksHeld = value; }
    TimeBase::IntervalT creation() override { return interval; }
    void creation(const TimeBase::IntervalT& value) override { interval = value; }
};

class SessionServant : public POA_BackupWorkstation::Session {
public:
    bool useIndex = false;
    CORBA::ULong filterCount = 99;
    bool progressNil = false;

    BW::IDLBackupDataRead_ptr GetReadInterface() override { return BW::IDLBackupDataRead::_nil(); }
    BW::IDLBackupDataWrite_ptr GetWriteInterface() override {
        return BW::IDLBackupDataWrite::_nil();
    }
    BW::IDLBackupDataCopy_ptr GetCopyInterface(const BW::ISettings& settings,
                                               BW::Session_ptr) override {
        useIndex = settings.useIndex;
        filterCount = settings.filters.length();
        progressNil = CORBA::is_nil(settings.progress);
        return BW::IDLBackupDataCopy::_nil();
    }
    BW::IDLBackupDataBrowse_ptr GetBackupInterface(const BN::WStringsList&) override {
        return BW::IDLBackupDataBrowse::_nil();
    }
    BW::WorkstationSettings_ptr GetSettings() override { return BW::WorkstationSettings::_nil(); }
};

class SettingsServant : public POA_BackupWorkstation::WorkstationSettings {
public:
    std::wstring folder;

    BW::IDLErrorID SetTempFolder(const CORBA::WChar* path, CORBA::Boolean) override {
        folder = path;
        return BW::SUCCESS;
    }
    CORBA::WChar* GetTempFolder() override { return CORBA::wstring_dup(folder.c_str()); }
    CORBA::WChar* GetDefaultTempFolder() override { return CORBA::wstring_dup(L""); }
};

// Activates a new servant and hands out a typed reference to it. The POA
// owns the servant; the test keeps a pointer to read what it received.
template <class Interface, class Servant>
typename Interface::_var_type Serve(Servant* servant, const char* typeId) {
    CORBA::Object_var object = LoopbackOrb::Get().Reach(servant, typeId);
    servant->_remove_ref();
    return Interface::_narrow(object);
}

TEST(RoundTrip, AttributesKeepSignAndWidth) {
    auto* servant = new ReadServant;
    auto read =
        Serve<BW::IDLBackupDataRead>(servant, "IDL:BackupWorkstation/IDLBackupDataRead:1.0");
    BW::Attributes sent;
    sent.Creation = 0xFFFFFFFFFFFFFFFFull;
    sent.LastAccess = 1;
    sent.Modification = 0x0102030405060708ull;
    sent.Size = -1;
    sent.Type = 0x80000010u;
    sent.Mask = -2;
    sent.CustomAttr = wiretext::ToWire(L"\x0430\x1D11E").c_str();
    BW::Attributes back = sent;

    EXPECT_EQ(read->GetElementAttributes(L"/", back), BW::STOPPED);

    for (const BW::Attributes* seen : {&servant->received, &back}) {
        EXPECT_EQ(seen->Creation, 0xFFFFFFFFFFFFFFFFull);
        EXPECT_EQ(seen->LastAccess, 1u);
        EXPECT_EQ(seen->Modification, 0x0102030405060708ull);
        EXPECT_EQ(seen->Size, -1);
        EXPECT_EQ(seen->Type, 0x80000010u);
        EXPECT_EQ(seen->Mask, -2);
        EXPECT_EQ(wiretext::FromWire(seen->CustomAttr.in()), L"\x0430\x1D11E");
    }
}

TEST(RoundTrip, EmptySequencesArriveEmpty) {
    auto* servant = new ReadServant;
    auto read =
        Serve<BW::IDLBackupDataRead>(servant, "IDL:BackupWorkstation/IDLBackupDataRead:1.0");

    BW::List_var listing;
    EXPECT_EQ(read->GetListing(L"/", listing.out()), BW::HANDLE_EOF);
    ASSERT_NE(listing.operator->(), nullptr);
    EXPECT_EQ(listing->length(), 0u);

    BN::BinaryData data;
    CORBA::ULong size = 7;
    EXPECT_EQ(read->ReadFile(data, size, 3), BW::HANDLE_EOF);
    EXPECT_EQ(servant->receivedDataLength, 0u);
    EXPECT_EQ(data.length(), 0u);

    auto* filterServant = new FilterServant;
    auto filter = Serve<BN::FileFilterProperties>(
        filterServant, "IDL:tarmelin/BackupNetwork/FileFilterProperties:1.0");
    filterServant->masksHeld.length(2);
    filter->masks(BN::WStringsList());
    EXPECT_EQ(filterServant->masksHeld.length(), 0u);
    BN::WStringsList_var masks = filter->masks();
    EXPECT_EQ(masks->length(), 0u);
}

TEST(RoundTrip, IntervalKeepsItsBounds) {
    auto* servant = new FilterServant;
    auto filter = Serve<BN::FileFilterProperties>(
        servant, "IDL:tarmelin/BackupNetwork/FileFilterProperties:1.0");
    filter->creation(TimeBase::IntervalT{11, 0xFFFFFFFF00000001ull});
    EXPECT_EQ(servant->interval.lower_bound, 11u);
    EXPECT_EQ(servant->interval.upper_bound, 0xFFFFFFFF00000001ull);
    const TimeBase::IntervalT back = filter->creation();
    EXPECT_EQ(back.lower_bound, 11u);
    EXPECT_EQ(back.upper_bound, 0xFFFFFFFF00000001ull);
}

TEST(RoundTrip, CopySettingsWithNilProgress) {
    auto* servant = new SessionServant;
    auto session = Serve<BW::Session>(servant, "IDL:BackupWorkstation/Session:1.0");
    BW::ISettings settings;
    settings.useIndex = true;
    settings.progress = BN::OperationProgress::_nil();
    BW::IDLBackupDataCopy_var copy = session->GetCopyInterface(settings, BW::Session::_nil());
    EXPECT_TRUE(CORBA::is_nil(copy));
    EXPECT_TRUE(servant->useIndex);
    EXPECT_EQ(servant->filterCount, 0u);
    EXPECT_TRUE(servant->progressNil);
}

TEST(RoundTrip, WideTextSurvivesBothWays) {
    auto* servant = new SettingsServant;
    auto settings =
        Serve<BW::WorkstationSettings>(servant, "IDL:BackupWorkstation/WorkstationSettings:1.0");
    struct Row {
        const char* label;
        std::wstring text;
        std::size_t unitsOnTheWire;
    };
    const Row rows[] = {
        {"empty", L"", 0},
        {"Cyrillic", L"\x0420\x0435\x0437\x0435\x0440\x0432", 6},
        {"CJK", L"\x5907\x4EFD\x4EFB\x52A1", 4},
        {"outside the BMP", L"C:\\\x1D11E.txt", 9},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        settings->SetTempFolder(wiretext::ToWire(row.text).c_str(), false);
        EXPECT_EQ(servant->folder.size(), row.unitsOnTheWire);
        CORBA::WString_var back = settings->GetTempFolder();
        EXPECT_EQ(wiretext::FromWire(back.in()), row.text);
    }
}

}  // namespace
}  // namespace idltest
