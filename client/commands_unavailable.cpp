// The connection sequence and the commands that need the backup network are
// not part of this build yet: each says so, and the run ends with exit code 1.
#include "client/ConsoleApp.h"
#include "client/ConsoleAppEx.h"

namespace {

[[noreturn]] void NotAvailable(const wchar_t* what) {
    throw ConsoleAppEx(std::wstring(what) + L" is not available in this build");
}

}  // namespace

void ConsoleApp::ConnectToServer() {
    NotAvailable(L"Connecting to the backup server");
}
void ConsoleApp::OpenSession() {
    NotAvailable(L"Opening a session on the backup server");
}
void ConsoleApp::ProcessTasks(TaskCommand, bool) {
    NotAvailable(L"The task command");
}
void ConsoleApp::ProcessAllTasks(TaskCommand) {
    NotAvailable(L"The task command");
}
void ConsoleApp::ListTasks() {
    NotAvailable(L"The list command");
}
void ConsoleApp::SetProxy() {
    NotAvailable(L"The proxy command");
}
void ConsoleApp::CleanCoordinator() {
    NotAvailable(L"The Coordinator clean command");
}
void ConsoleApp::CloseServer() {
    NotAvailable(L"The close command");
}
