#include "corba/OrbArguments.h"

void OrbArguments::Add(const wchar_t* option, const wchar_t* value) {
    for (const wchar_t* text : {option, value}) {
        if (!text) continue;
        texts.emplace_back(text);
        argv.push_back(texts.back().data());
    }
}

void OrbArguments::Clear() {
    argv.clear();
    texts.clear();
}

std::vector<std::wstring> OrbArguments::Texts() const {
    std::vector<std::wstring> result;
    for (const wchar_t* text : argv) result.emplace_back(text);
    return result;
}
