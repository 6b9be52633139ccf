// ChildProcess.cc: starting and stopping the programs the GTK tests drive.
#include "ChildProcess.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pde::test {

Child::~Child() {
  if (pid == 0) return;
  kill(ownGroup ? -pid : pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  g_spawn_close_pid(pid);
}

bool Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& envp, Child* child,
           int* output, int* errors) {
  std::vector<char*> args, env;
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  for (const auto& var : envp) env.push_back(const_cast<char*>(var.c_str()));
  args.push_back(nullptr);
  env.push_back(nullptr);
  GSpawnChildSetupFunc setup = nullptr;
  if (child->ownGroup) setup = [](gpointer) { setpgid(0, 0); };
  GError* error = nullptr;
  const bool started = g_spawn_async_with_pipes(
      nullptr, args.data(), env.data(),
      static_cast<GSpawnFlags>(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_SEARCH_PATH), setup, nullptr,
      &child->pid, nullptr, output, errors, &error);
  if (!started) {
    ADD_FAILURE() << argv[0] << ": " << error->message;
    g_error_free(error);
  }
  return started;
}

std::vector<std::string> EnvironmentWith(const std::vector<std::string>& changes) {
  gchar** env = g_get_environ();
  for (const std::string& change : changes) {
    const auto equals = change.find('=');
    env = g_environ_setenv(env, change.substr(0, equals).c_str(), change.substr(equals + 1).c_str(),
                           TRUE);
  }
  std::vector<std::string> result;
  for (gchar** var = env; *var != nullptr; ++var) result.emplace_back(*var);
  g_strfreev(env);
  return result;
}

}  // namespace pde::test
