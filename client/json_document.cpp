#include "client/json_document.h"

#include <omniORB4/CORBA.h>

#include <ostream>

#include "client/run.h"
#include "corba/exception_info.h"
#include "utility/strings.h"

namespace {

nlohmann::json CorbaFacts(const CORBA::Exception& e) {
    nlohmann::json facts = {{"name", e._name()}};
    const auto* system = CORBA::SystemException::_downcast(&e);
    if (!system) {
        facts["repositoryId"] = e._rep_id();
        return facts;
    }
    facts["minor"] = system->minor();
    // omniORB names the minor codes it raises itself; a peer's has no name.
    const char* minorName = system->NP_minorString();
    facts["minorName"] = minorName ? nlohmann::json(minorName) : nlohmann::json();
    facts["completed"] = CompletionText(system->completed());
    return facts;
}

}  // namespace

// Texts from the command line may hold bytes that are not UTF-8: they become
// U+FFFD. Control characters become escapes: the C0 ones by the serialiser;
// DEL, the C1 ones (U+0085 ends a line for some tools, U+009B opens a
// terminal's control sequence) and the line and paragraph separators here,
// since they may stand raw in JSON. Outside strings the document is ASCII,
// so their UTF-8 bytes are found in strings only.
std::string DumpJson(const nlohmann::json& value) {
    const std::string raw = value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    // Most texts have none of them: no second pass over a log's lines then.
    if (raw.find_first_of("\x7f\xc2\xe2") == std::string::npos) return raw;
    std::string text;
    text.reserve(raw.size());
    const auto escape = [&text](unsigned code) {
        static const char kHex[] = "0123456789abcdef";
        text += "\\u";
        for (int shift = 12; shift >= 0; shift -= 4) text += kHex[(code >> shift) & 0xF];
    };
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const auto byte = static_cast<unsigned char>(raw[i]);
        const auto next = i + 1 < raw.size() ? static_cast<unsigned char>(raw[i + 1]) : 0u;
        const auto third = i + 2 < raw.size() ? static_cast<unsigned char>(raw[i + 2]) : 0u;
        if (byte == 0x7F) {
            escape(0x7F);
        } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
            escape(next);
            ++i;
        } else if (byte == 0xE2 && next == 0x80 && (third == 0xA8 || third == 0xA9)) {
            escape(0x2000u | (third & 0x3Fu));
            i += 2;
        } else {
            text += raw[i];
        }
    }
    return text;
}

nlohmann::json DescribeFailure(std::exception_ptr failure) {
    const std::wstring message = FailureLine(failure);
    nlohmann::json error = {{"message", CVLib::strings::toAstr(message)}};
    try {
        std::rethrow_exception(failure);
    } catch (const std::nested_exception& wrapper) {
        try {
            wrapper.rethrow_nested();
        } catch (const CORBA::Exception& e) {
            error["exception"] = CorbaFacts(e);
        } catch (...) {
        }
    } catch (...) {
    }
    return error;
}

void JsonDocument::Write(const std::string& text) {
    out << CVLib::strings::toWstr(text);
}

void JsonDocument::Key(const char* key) {
    Write(started ? "," : "{");
    started = true;
    Write(DumpJson(key) + ":");
}

void JsonDocument::Begin(const char* name) {
    if (section == name) return;
    CloseOpen();
    Key(name);
    Write("[");
    section = name;
    firstInSection = true;
}

void JsonDocument::Next(const char* name) {
    Begin(name);
    if (!firstInSection) Write(",");
    firstInSection = false;
}

void JsonDocument::CloseOpen() {
    if (entryOpen) Write("]}");
    entryOpen = false;
    if (!section.empty()) Write("]");
    section.clear();
}

void JsonDocument::Entry(const char* name, const nlohmann::json& entry) {
    Next(name);
    Write(DumpJson(entry));
}

void JsonDocument::OpenEntry(const char* name, const nlohmann::json& head, const char* listKey) {
    Next(name);
    std::string text = DumpJson(head);
    text.pop_back();  // the closing brace
    Write(text + (head.empty() ? "" : ",") + DumpJson(listKey) + ":[");
    entryOpen = true;
    firstItem = true;
}

void JsonDocument::Item(const nlohmann::json& item) {
    Write((firstItem ? "" : ",") + DumpJson(item));
    firstItem = false;
}

void JsonDocument::CloseEntry() {
    Write("]}");
    entryOpen = false;
}

void JsonDocument::Member(const char* key, const nlohmann::json& value) {
    CloseOpen();
    Key(key);
    Write(DumpJson(value));
}

void JsonDocument::End() {
    CloseOpen();
    Write(started ? "}\n" : "{}\n");
    out.flush();
}
