// What /proc says of processes and of this network's sockets, for the tools
// that watch the processes they started. Each answer is a snapshot: a
// process that ends while it is read reads as gone.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace harness {

// Whether a process with this id exists and is not a zombie. False for an id
// of 0 or less.
bool ProcessExists(pid_t pid);

// The value of a line of /proc/PID/status ("Threads", "SigCgt", "VmRSS"),
// after its name, its colon and the blanks; nullopt when the process or the
// line is not there.
std::optional<std::string> StatusField(pid_t pid, const std::string& name);

// How many descriptors a process holds open and how many threads it runs;
// nullopt when it is gone.
struct ProcessLoad {
    int descriptors = 0;
    int threads = 0;
};
std::optional<ProcessLoad> Load(pid_t pid);

// The TCP ports of this network namespace that something listens on.
std::vector<int> ListeningPorts();

// Whether a request to the local TCP port waits unread in a socket's
// receive queue (a peer that is frozen holds its caller there).
bool RequestWaitsOnPort(int port);

// Waits (a minute at most, then std::runtime_error) until the process
// catches the signal, i.e. has a handler of its own for it.
void WaitUntilCatching(pid_t pid, int signal);

}  // namespace harness
