// Windows console output (WriteFile) and fatal report (MessageBoxA).
#include <windows.h>

#include "runtime/console.h"

namespace {

HANDLE StdOutHandle = nullptr;

void Write(const char* bytes, DWORD count) {
  DWORD written = 0;
  WriteFile(StdOutHandle, bytes, count, &written, nullptr);
}

}  // namespace

void StartConsole() { StdOutHandle = GetStdHandle(STD_OUTPUT_HANDLE); }

void PrintLine(const std::string& text) {
  if (!text.empty()) {
    Write(text.data(), static_cast<DWORD>(text.size()));
  }
  Write("\r\n", 2);
}

void FatalError(int number) {
  MessageBoxA(nullptr, FatalErrorMessage(number), ProgramName, MB_OK);
  ExitProcess(static_cast<UINT>(number + 1));
}
