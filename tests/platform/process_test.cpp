#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/process.h"
#include "platform/window.h"

namespace {

using namespace plat;

// A run started by the real restart below finds this variable, writes the arguments it was given
// and ends before any test runs.
struct RestartedRun {
  RestartedRun() {
    const char* mark = std::getenv("VLX_PROCESS_RESTART_MARK");
    if (!mark) return;
    FILE* f = std::fopen(mark, "wb");
    if (f) {
      for (const std::string& a : ProcessArguments()) std::fprintf(f, "%s\n", a.c_str());
      std::fclose(f);
    }
    _exit(0);
  }
} g_restartedRun;

std::string Joined(const std::vector<std::string>& args) {
  std::string s;
  for (const std::string& a : args) s += a + "\n";
  return s;
}

TEST(Process, ArgumentsAreThoseOfThisRun) {
  const std::vector<std::string> args = ProcessArguments();
  ASSERT_FALSE(args.empty());
  EXPECT_NE(args[0].find("test_platform"), std::string::npos);
}

TEST(Process, HeadlessRecordsRestartsAndScriptedFailures) {
  ProcessSelectBackend(ProcessBackend::Headless);
  ProcessResetRecord();
  EXPECT_TRUE(ProcessIsHeadless());
  EXPECT_EQ(ProcessRestartCount(), 0);
  EXPECT_TRUE(ProcessRestartSelf());
  EXPECT_TRUE(ProcessRestartSelf());
  EXPECT_EQ(ProcessRestartCount(), 2);
  EXPECT_EQ(ProcessLastRestartArguments(), ProcessArguments());
  ProcessScriptRestartFailure(true);
  EXPECT_FALSE(ProcessRestartSelf());
  EXPECT_EQ(ProcessRestartCount(), 2);
  ProcessResetRecord();
  EXPECT_TRUE(ProcessRestartSelf());
  EXPECT_EQ(ProcessRestartCount(), 1);
  ProcessResetRecord();
  ProcessSelectBackend(ProcessBackend::Auto);
}

TEST(Process, AutoFollowsTheWindowLayer) {
  WindowSelectBackend(WindowBackend::Headless);
  ProcessSelectBackend(ProcessBackend::Auto);
  EXPECT_TRUE(ProcessIsHeadless());
  ProcessSelectBackend(ProcessBackend::Real);
  EXPECT_FALSE(ProcessIsHeadless());
  ProcessSelectBackend(ProcessBackend::Auto);
}

TEST(Process, RealRestartRunsTheSameProgramWithTheSameArguments) {
  char tmpl[] = "/tmp/vlx_restart_XXXXXX";
  const int fd = mkstemp(tmpl);
  ASSERT_GE(fd, 0);
  close(fd);
  std::remove(tmpl);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    setenv("VLX_PROCESS_RESTART_MARK", tmpl, 1);
    ProcessSelectBackend(ProcessBackend::Real);
    ProcessRestartSelf();
    _exit(3);   // only reached when the restart failed
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  std::string got;
  if (FILE* f = std::fopen(tmpl, "rb")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) got.append(buf, n);
    std::fclose(f);
  }
  std::remove(tmpl);
  EXPECT_EQ(got, Joined(ProcessArguments()));
}

}  // namespace
