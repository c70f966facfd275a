// Windows console output (WriteFile), message box (MessageBoxA, from a USER32
// loaded only then) and fatal report (the box; standard error without it).
#include <windows.h>

#include <cstring>

#include "runtime/console.h"

namespace {

// All the program needs of the user-interface library is a message box (the
// fatal report, and runaboutw.exe's usage), which hardly any run shows.
// Imported, the library would be loaded and set up at every start, so it is
// loaded only to show the box.
constexpr char kUserInterfaceLibrary[] = "user32.dll";

using MessageBoxFunction = decltype(&MessageBoxA);

HANDLE StdOutHandle = nullptr;

void Write(HANDLE handle, const char* bytes, DWORD count) {
  DWORD written = 0;
  WriteFile(handle, bytes, count, &written, nullptr);
}

void Write(HANDLE handle, const char* text) {
  Write(handle, text, static_cast<DWORD>(std::strlen(text)));
}

// MessageBoxA from USER32, loaded now; null if either cannot be had.
MessageBoxFunction LoadMessageBox() {
  const HMODULE library = LoadLibraryA(kUserInterfaceLibrary);
  if (library == nullptr) {
    return nullptr;
  }
  const FARPROC address = GetProcAddress(library, "MessageBoxA");
  if (address == nullptr) {
    return nullptr;
  }
  // GetProcAddress hands every function out under one generic type; the
  // address is MessageBoxA's own. GCC takes void (*)() as the type that
  // matches any function, so the step through it is a cast that
  // -Wcast-function-type accepts.
  // NOLINTBEGIN(cppcoreguidelines-pro-type-reinterpret-cast)
  const auto untyped = reinterpret_cast<void (*)()>(address);
  return reinterpret_cast<MessageBoxFunction>(untyped);
  // NOLINTEND(cppcoreguidelines-pro-type-reinterpret-cast)
}

}  // namespace

void StartConsole() { StdOutHandle = GetStdHandle(STD_OUTPUT_HANDLE); }

void PrintLine(const std::string& text) {
  if (!text.empty()) {
    Write(StdOutHandle, text.data(), static_cast<DWORD>(text.size()));
  }
  Write(StdOutHandle, "\r\n", 2);
}

void WriteOutput(const std::string& bytes) {
  Write(StdOutHandle, bytes.data(), static_cast<DWORD>(bytes.size()));
}

bool ShowMessage(const char* text) {
  const MessageBoxFunction messageBox = LoadMessageBox();
  // MessageBoxA returns 0 when it could not show the box.
  return messageBox != nullptr &&
         messageBox(nullptr, text, ProgramName, MB_OK) != 0;
}

void FatalError(int number) {
  const char* message = FatalErrorMessage(number);
  if (!ShowMessage(message)) {
    // Without the box the report goes to standard error, from fixed texts
    // only: memory may be what ran out.
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    Write(error, ProgramName);
    Write(error, ": ");
    Write(error, message);
    Write(error, "\r\n", 2);
  }
  ExitProcess(static_cast<UINT>(number + 1));
}
