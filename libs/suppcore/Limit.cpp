#include "libs/suppcore/Limit.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "libs/suppcore/Log.h"

extern char** environ;

namespace {

CLimit::Notifier& ActiveNotifier() {
  static CLimit::Notifier notifier;
  return notifier;
}

// The full path of program in one of the PATH's directories, or empty.
std::string FindOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    if (dir.empty())
      continue;
    std::string candidate = dir + "/" + program;
    struct stat info;
    if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        access(candidate.c_str(), X_OK) == 0)
      return candidate;
  }
  return {};
}

// Starts the program in a session of its own through setsid --fork, which returns at
// once: the product outlives this program and no zombie is left behind.
bool StartDetached(const std::string& program, const std::string& arguments) {
  std::vector<std::string> words{"setsid", "--fork", program};
  std::stringstream split(arguments);
  for (std::string word; split >> word;)
    words.push_back(word);
  std::vector<char*> argv;
  for (auto& word : words)
    argv.push_back(word.data());
  argv.push_back(nullptr);

  // The product gets standard input, output and error only: descriptors the toolkit or a
  // library opened without close-on-exec stay here.
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0)
    return false;
  pid_t child;
  const bool started = posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1) == 0 &&
                       posix_spawnp(&child, "setsid", &actions, nullptr, argv.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  if (!started)
    return false;
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

void CLimit::SetNotifier(Notifier notifier) {
  ActiveNotifier() = std::move(notifier);
}

CString CLimit::NotInstalledText(const ProductInfo& product) {
  CString text;
  text.Format(u"%s is not installed on this computer.", product.name);
  return text;
}

int CLimit::RunProduct(OSTREL_PRODUCT code, CWnd* parent, LPCWSTR arguments) {
  const ProductInfo* product = FindProduct(code);
  if (product == nullptr)
    return 0;
  std::string program = FindOnPath(product->program);
  if (!program.empty() && StartDetached(program, CString(arguments).ToUtf8()))
    return 1;
  if (!program.empty())
    CLog::Bug2(u"Could not start '%s'", CString::FromUtf8(program).GetString());
  if (ActiveNotifier())
    ActiveNotifier()(parent, NotInstalledText(*product));
  return 0;
}
