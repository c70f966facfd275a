// The bare hand-off on POSIX: each argument goes to the shell as
// "sh -c '<argument> &'", one after another, and the driver waits for each
// shell with waitpid. The shell starts the command in the background and
// ends, as Runabout's interpreter stand-in does, minus Runabout's own polling.
// Exit status: the number of shells that could not be started.
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

int main(int argc, char** argv) {
  int failed = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string script = std::string(argv[i]) + " &";
    const pid_t child = fork();
    if (child < 0) {
      ++failed;
      continue;
    }
    if (child == 0) {
      execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 127) {
      ++failed;
    }
  }
  return failed;
}
