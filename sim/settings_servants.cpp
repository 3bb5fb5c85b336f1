#include "sim/settings_servants.h"

namespace bnsim {

using nlohmann::json;

ServerSettingsServant::ServerSettingsServant(Simulation& sim) : SimObject(sim, "settings") {
    attrs_ = sim.scenario().settings;
}

CORBA::Boolean ServerSettingsServant::SetTempFolder(const CORBA::WChar* path, CORBA::Boolean flag) {
    auto lock = Enter("SetTempFolder", {{"path", Utf8(path)}, {"flag", static_cast<bool>(flag)}});
    attrs_["tempFolder"] = Utf8(path);
    return true;
}

CORBA::WChar* ServerSettingsServant::GetTempFolder() {
    auto lock = Enter("GetTempFolder");
    return WireDupUtf8(attrs_["tempFolder"].get<std::string>());
}

CORBA::WChar* ServerSettingsServant::GetDefaultTempFolder() {
    auto lock = Enter("GetDefaultTempFolder");
    return WireDupUtf8(attrs_["defaultTempFolder"].get<std::string>());
}

BackupNetwork::SMTP* ServerSettingsServant::smtp() {
    auto lock = Enter("_get_smtp");
    const json& s = attrs_["smtp"];
    auto* result = new BackupNetwork::SMTP;
    result->useNotification = s["useNotification"].get<bool>();
    result->host = WireDupUtf8(s["host"].get<std::string>());
    result->port = s["port"].get<CORBA::ULong>();
    result->useAuthentication = s["useAuthentication"].get<bool>();
    result->user = WireDupUtf8(s["user"].get<std::string>());
    result->password = WireDupUtf8(s["password"].get<std::string>());
    result->from = WireDupUtf8(s["from"].get<std::string>());
    result->to = WireDupUtf8(s["to"].get<std::string>());
    result->subject = WireDupUtf8(s["subject"].get<std::string>());
    result->body = WireDupUtf8(s["body"].get<std::string>());
    result->useSSL = s["useSSL"].get<bool>();
    return result;
}

void ServerSettingsServant::smtp(const BackupNetwork::SMTP& v) {
    const json value = {{"useNotification", static_cast<bool>(v.useNotification)},
                        {"host", Utf8(v.host)},
                        {"port", v.port},
                        {"useAuthentication", static_cast<bool>(v.useAuthentication)},
                        {"user", Utf8(v.user)},
                        {"password", Utf8(v.password)},
                        {"from", Utf8(v.from)},
                        {"to", Utf8(v.to)},
                        {"subject", Utf8(v.subject)},
                        {"body", Utf8(v.body)},
                        {"useSSL", static_cast<bool>(v.useSSL)}};
    auto lock = Enter("_set_smtp", {{"value", value}});
    attrs_["smtp"] = value;
}

namespace {

json ParamToJson(const BackupNetwork::LinkParam& p) {
    return {{"name", Utf8(p.name)},
            {"value", Utf8(p.value)},
            {"error", Utf8(p.error)},
            {"isProtected", static_cast<bool>(p.isProtected)}};
}

}  // namespace

LinkServant::LinkServant(Simulation& sim, const std::string& name, const std::string& linkName)
    : SimObject(sim, name) {
    attrs_ = {{"name", linkName},
              {"view", ""},
              {"parameters", json::object()},
              {"headers", json::object()}};
}

CORBA::Boolean LinkServant::SetView(const CORBA::WChar* view) {
    auto lock = Enter("SetView", {{"view", Utf8(view)}});
    attrs_["view"] = Utf8(view);
    return true;
}

CORBA::Boolean LinkServant::GetView(CORBA::WString_out view) {
    auto lock = Enter("GetView");
    view = WireDupUtf8(attrs_["view"].get<std::string>());
    return true;
}

CORBA::Boolean LinkServant::Store(const char* operation, const char* table,
                                  const BackupNetwork::LinkParam& param) {
    auto lock = Enter(operation, {{"param", ParamToJson(param)}});
    attrs_[table][Utf8(param.name)] = ParamToJson(param);
    return true;
}

CORBA::Boolean LinkServant::Load(const char* operation, const char* table, const CORBA::WChar* key,
                                 BackupNetwork::LinkParam& param) {
    auto lock = Enter(operation, {{"name", Utf8(key)}, {"param", ParamToJson(param)}});
    const json& stored = attrs_[table];
    if (!stored.contains(Utf8(key))) return false;
    const json& p = stored[Utf8(key)];
    param.name = WireDupUtf8(p["name"].get<std::string>());
    param.value = WireDupUtf8(p["value"].get<std::string>());
    param.error = WireDupUtf8(p["error"].get<std::string>());
    param.isProtected = p["isProtected"].get<bool>();
    return true;
}

CORBA::Boolean LinkServant::SetParameter(const BackupNetwork::LinkParam& param) {
    return Store("SetParameter", "parameters", param);
}

CORBA::Boolean LinkServant::GetParameter(const CORBA::WChar* paramName,
                                         BackupNetwork::LinkParam& param) {
    return Load("GetParameter", "parameters", paramName, param);
}

CORBA::Boolean LinkServant::SetHeader(const BackupNetwork::LinkParam& param) {
    return Store("SetHeader", "headers", param);
}

CORBA::Boolean LinkServant::GetHeader(const CORBA::WChar* headerName,
                                      BackupNetwork::LinkParam& param) {
    return Load("GetHeader", "headers", headerName, param);
}

CORBA::Boolean LogServant::Open() {
    auto lock = Enter("Open");
    return true;
}

void LogServant::Close() {
    auto lock = EnterOneway("Close");
}
void LogServant::Clear() {
    auto lock = EnterOneway("Clear");
}
void LogServant::Rewind() {
    auto lock = EnterOneway("Rewind");
}

CORBA::Boolean LogServant::GetNextLine(CORBA::WString_out line) {
    auto lock = Enter("GetNextLine");
    line = CORBA::wstring_dup(L"");
    return false;
}

CORBA::Boolean LogServant::Read(BackupNetwork::BinaryData& data, CORBA::ULong& size) {
    auto lock = Enter("Read", {{"size", size}});
    data.length(0);
    size = 0;
    return false;
}

void LogServant::Write(BackupNetwork::IDLLogEvent event, const CORBA::WChar* message) {
    auto lock =
        EnterOneway("Write", {{"event", static_cast<unsigned>(event)}, {"message", Utf8(message)}});
}

void OperationProgressServant::NextChunk(CORBA::LongLong amount) {
    auto lock = EnterOneway("NextChunk", {{"amount", amount}});
}

}  // namespace bnsim
