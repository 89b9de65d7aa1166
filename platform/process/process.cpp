#include "platform/process.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <mutex>
#include <unistd.h>

#include "platform/window.h"

namespace plat {

namespace {

std::mutex g_mutex;
ProcessBackend g_choice = ProcessBackend::Auto;
bool g_chosen = false;
bool g_headless = false;
int g_restarts = 0;
bool g_failNext = false;
std::vector<std::string> g_lastArgs;

bool Headless() {
  std::lock_guard<std::mutex> g(g_mutex);
  if (!g_chosen) {
    g_headless = g_choice == ProcessBackend::Headless ||
                 (g_choice == ProcessBackend::Auto && WindowIsHeadless());
    g_chosen = true;
  }
  return g_headless;
}

bool RestartReal(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  if (argv.empty()) argv.push_back(const_cast<char*>("velmarondix"));
  argv.push_back(nullptr);
  // Buffered output would be lost with the old image.
  std::fflush(nullptr);
  execv("/proc/self/exe", argv.data());
  std::fprintf(stderr, "velmarondix: restart failed: %s\n", std::strerror(errno));
  return false;
}

}  // namespace

void ProcessSelectBackend(ProcessBackend b) {
  std::lock_guard<std::mutex> g(g_mutex);
  g_choice = b;
  g_chosen = false;
}

bool ProcessIsHeadless() { return Headless(); }

std::vector<std::string> ProcessArguments() {
  std::vector<std::string> out;
  FILE* f = std::fopen("/proc/self/cmdline", "rb");
  if (!f) return out;
  std::string current;
  bool any = false;
  int c;
  while ((c = std::fgetc(f)) != EOF) {
    any = true;
    if (c == 0) {
      out.push_back(current);
      current.clear();
    } else {
      current.push_back(static_cast<char>(c));
    }
  }
  if (any && !current.empty()) out.push_back(current);
  std::fclose(f);
  return out;
}

namespace {

// The name the program was started by, when it leads to the running executable: the system gives
// no path of PATH_MAX bytes or more, and a program that deep can only be started by a relative name.
std::string ExecutableFromArguments() {
  const std::vector<std::string> args = ProcessArguments();
  struct stat named, running;
  if (args.empty() || args[0].find('/') == std::string::npos || stat(args[0].c_str(), &named) != 0 ||
      stat("/proc/self/exe", &running) != 0 || named.st_dev != running.st_dev || named.st_ino != running.st_ino)
    return "";
  return args[0];
}

}  // namespace

std::string ProcessExecutableFolder() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  const std::string exe = n > 0                   ? std::string(path, size_t(n))
                          : errno == ENAMETOOLONG ? ExecutableFromArguments()
                                                  : "";
  const size_t slash = exe.find_last_of('/');
  if (slash == std::string::npos) return "";
  return slash == 0 ? "/" : exe.substr(0, slash);
}

bool ProcessWorkFromExecutableFolder(bool (*holds)(), std::string* problem) {
  if (problem) problem->clear();
  const std::string folder = ProcessExecutableFolder();
  if (folder.empty() || !holds) return false;
  // The way back, even into a folder this user may search but not read.
  const int here = open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
  bool moved = chdir(folder.c_str()) == 0;
  if (!moved) {
    if (problem) *problem = folder + ": " + std::strerror(errno);
  } else if (!holds()) {
    moved = !(here >= 0 && fchdir(here) == 0);
    if (moved && problem) *problem = "cannot return to the folder it was started in: " + std::string(std::strerror(errno));
  }
  if (here >= 0) close(here);
  return moved;
}

bool ProcessRestartSelf() {
  const std::vector<std::string> args = ProcessArguments();
  if (!Headless()) return RestartReal(args);
  std::lock_guard<std::mutex> g(g_mutex);
  if (g_failNext) return false;
  ++g_restarts;
  g_lastArgs = args;
  return true;
}

int ProcessRestartCount() {
  std::lock_guard<std::mutex> g(g_mutex);
  return g_restarts;
}

std::vector<std::string> ProcessLastRestartArguments() {
  std::lock_guard<std::mutex> g(g_mutex);
  return g_lastArgs;
}

void ProcessScriptRestartFailure(bool fail) {
  std::lock_guard<std::mutex> g(g_mutex);
  g_failNext = fail;
}

void ProcessResetRecord() {
  std::lock_guard<std::mutex> g(g_mutex);
  g_restarts = 0;
  g_failNext = false;
  g_lastArgs.clear();
}

}  // namespace plat
