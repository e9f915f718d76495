// Runs the real corvane-convert binary, through the shell, in a fresh directory per test.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "../engine/OutputRows.h"
#include "../platform/TempDir.h"

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

class CliTest : public ::testing::Test {
 protected:
  // Runs the binary with args, shell words that may hold redirections and pipes, in the
  // test directory with a bare environment; "$D" in its output stands for the directory.
  // before: shell commands run first, in the same shell.
  Result Run(const std::string& args, const std::string& before = "") {
    m_dir.Write("run.sh",
                "exec >stdout.txt 2>stderr.txt\n" + before + "\n" + CORVANE_CONVERT + " " + args);
    const std::string& dir = m_dir.Path();
    const int status = std::system(("cd " + dir + " && env -i XDG_STATE_HOME=" + dir +
                                    "/state HOME=" + dir + " PATH=/usr/bin:/bin bash run.sh")
                                       .c_str());
    std::string err = Read("stderr.txt");
    for (size_t at; (at = err.find(dir)) != std::string::npos;)
      err.replace(at, dir.size(), "$D");
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read("stdout.txt"), err};
  }
  std::string Read(const std::string& name) const { return ReadBytesFromFile(m_dir.File(name)); }

  TempDir m_dir;
};
