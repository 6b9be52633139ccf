// ChildProcess.h: other programs the GTK tests start (a session bus, a portal's client, a
// browser), stopped by their process ID when the test is done with them.
#pragma once

#include <glib.h>

#include <string>
#include <vector>

namespace pde::test {

// A process the test started. When it goes, the process gets SIGTERM and is waited for; a
// process started as the leader of its own process group takes the whole group with it (the
// helper processes a browser starts).
struct Child {
  GPid pid = 0;
  bool ownGroup = false;
  Child() = default;
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child();
};

// Starts argv with the environment envp into *child, in a process group of its own when
// child->ownGroup is set; its standard output and error are read through *output and *errors
// when those are not null. On failure the test fails with the reason, and false is returned.
bool Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& envp, Child* child,
           int* output, int* errors);

// The environment of this process with changes, each "NAME=VALUE".
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& changes);

}  // namespace pde::test
