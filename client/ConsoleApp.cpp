#include "client/ConsoleApp.h"

#include <iostream>

#include "client/banner.h"

ConsoleApp::ConsoleApp(int argc, wchar_t* argv[]) {
    SetArguments(argc, argv);
}

ConsoleApp::~ConsoleApp() = default;

void ConsoleApp::SetArguments(int argc, wchar_t* argv[]) {
    arguments.clear();
    argumentIndex = 0;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
}

void ConsoleApp::Run() {
    PrintBanner();
    ProcessCommandLine();
}

void ConsoleApp::PrintBanner() {
    std::wcout << ComposeBanner(__DATE__);
}
