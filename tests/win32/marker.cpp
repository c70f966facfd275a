// A tiny program that Runabout starts through the real command interpreter in
// the Windows end-to-end tests. Beside itself it writes started.txt as soon as
// it runs, then waits for go.txt and answers with done.txt, so a test can
// prove it runs in the background and outlives Runabout. It gives up after a
// minute so that a failed test leaves nothing running for long.
#include <windows.h>

#include <string>

namespace {

constexpr DWORD kPollMilliseconds = 50;
constexpr DWORD kGiveUpMilliseconds = 60000;

std::string OwnDirectory() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string directory(path, length);
  directory.erase(directory.find_last_of('\\') + 1);
  return directory;
}

void Touch(const std::string& path) {
  const HANDLE file =
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
  }
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

int main() {
  const std::string directory = OwnDirectory();
  Touch(directory + "started.txt");
  for (DWORD waited = 0; waited < kGiveUpMilliseconds;
       waited += kPollMilliseconds) {
    if (Exists(directory + "go.txt")) {
      Touch(directory + "done.txt");
      return 0;
    }
    Sleep(kPollMilliseconds);
  }
  return 1;
}
