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

}  // namespace bnsim
