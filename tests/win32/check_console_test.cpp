// runabout-check under Wine with a virtual display, where a console of a
// program's own has a window and takes keys, as from a shortcut: the wait for
// Enter, which only a console of its own gets.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "runtime/system_win32.h"
#include "tests/win32/e2e_support.h"

namespace {

constexpr DWORD kLimitMilliseconds = 60000;

// Starts `check` in `directory` with `flags`, and with `input` and `output`
// as its standard handles if they are not null.
PROCESS_INFORMATION StartCheck(const std::string& check,
                               const std::string& directory, DWORD flags,
                               HANDLE input = nullptr,
                               HANDLE output = nullptr) {
  STARTUPINFOW startup;
  ZeroMemory(&startup, sizeof(startup));
  startup.cb = sizeof(startup);
  if (input != nullptr) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = output;
    startup.hStdError = e2e::NulHandles().error;
  }
  PROCESS_INFORMATION child;
  ZeroMemory(&child, sizeof(child));
  std::wstring line = Widened(CP_ACP, "runabout-check.exe cd cd");
  CreateProcessW(Widened(CP_ACP, check).c_str(), line.data(), nullptr, nullptr,
                 input != nullptr ? TRUE : FALSE, flags, nullptr,
                 Widened(CP_ACP, directory).c_str(), &startup, &child);
  return child;
}

// Whether the console this process is attached to shows `text`.
bool ConsoleShows(const std::string& text) {
  const HANDLE screen = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  CONSOLE_SCREEN_BUFFER_INFO info;
  bool shows = false;
  if (screen != INVALID_HANDLE_VALUE &&
      GetConsoleScreenBufferInfo(screen, &info) != FALSE) {
    std::string characters(static_cast<std::size_t>(info.dwSize.X) *
                               static_cast<std::size_t>(info.dwSize.Y),
                           ' ');
    DWORD read = 0;
    ReadConsoleOutputCharacterA(screen, characters.data(),
                                static_cast<DWORD>(characters.size()), {0, 0},
                                &read);
    shows = characters.find(text) != std::string::npos;
  }
  CloseHandle(screen);
  return shows;
}

// Presses Enter on the console this process is attached to.
bool PressEnter() {
  const HANDLE keyboard = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
  // A key goes down, then up; the key event is a member of the record's
  // union, as Windows defines it.
  const auto key = [](BOOL down) {
    INPUT_RECORD record;
    ZeroMemory(&record, sizeof(record));
    record.EventType = KEY_EVENT;
    // NOLINTBEGIN(cppcoreguidelines-pro-type-union-access)
    record.Event.KeyEvent.bKeyDown = down;
    record.Event.KeyEvent.wRepeatCount = 1;
    record.Event.KeyEvent.wVirtualKeyCode = VK_RETURN;
    record.Event.KeyEvent.uChar.UnicodeChar = L'\r';
    // NOLINTEND(cppcoreguidelines-pro-type-union-access)
    return record;
  };
  const INPUT_RECORD keys[] = {key(TRUE), key(FALSE)};
  DWORD written = 0;
  const bool pressed =
      keyboard != INVALID_HANDLE_VALUE &&
      WriteConsoleInputW(keyboard, keys, 2, &written) != FALSE && written == 2;
  CloseHandle(keyboard);
  return pressed;
}

bool Ends(const PROCESS_INFORMATION& child, DWORD* status) {
  const bool ended =
      WaitForSingleObject(child.hProcess, kLimitMilliseconds) == WAIT_OBJECT_0;
  if (!ended) {
    TerminateProcess(child.hProcess, 1);
  }
  GetExitCodeProcess(child.hProcess, status);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  return ended;
}

// From a shortcut or the Run dialog a console program gets a console of its
// own, which closes when it ends: only there does runabout-check wait for
// Enter. Beside a prompt, or reading a pipe, it ends at once.
TEST(CheckWaits, ForEnterOnlyWhenAloneOnItsConsole) {
  const e2e::ScratchDirectory directory("waits");
  const std::string check =
      directory.Copy(RUNABOUT_CHECK_PATH, "runabout-check.exe");
  ASSERT_FALSE(check.empty());
  DWORD status = 0;

  // On the console of a prompt: this process's own.
  FreeConsole();
  ASSERT_TRUE(AllocConsole());
  PROCESS_INFORMATION child = StartCheck(check, directory.path(), 0);
  ASSERT_NE(child.hProcess, nullptr);
  EXPECT_TRUE(Ends(child, &status)) << "it waited beside another process";
  EXPECT_EQ(status, 0u);
  FreeConsole();

  // A console of its own, but its input from a pipe that stays open.
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  HANDLE reader = nullptr;
  HANDLE writer = nullptr;
  ASSERT_TRUE(CreatePipe(&reader, &writer, &inheritable, 0));
  SetHandleInformation(writer, HANDLE_FLAG_INHERIT, 0);
  const std::string report = directory.path() + "report.txt";
  const HANDLE file =
      CreateFileA(report.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable,
                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  child = StartCheck(check, directory.path(), CREATE_NEW_CONSOLE, reader, file);
  ASSERT_NE(child.hProcess, nullptr);
  EXPECT_TRUE(Ends(child, &status)) << "it waited on a pipe";
  EXPECT_EQ(status, 0u);
  CloseHandle(file);
  CloseHandle(reader);
  CloseHandle(writer);
  const std::vector<std::string> lines = e2e::ReadLines(report);
  ASSERT_FALSE(lines.empty()) << "no report";
  EXPECT_EQ(lines.back(), "runabout would start 2 commands.\r");

  // Alone on a console of its own: it says so and waits for Enter. It counts
  // the processes on its console before it says so, and attaching to read it
  // adds one: so the window's title, which any process can read, comes
  // first.
  child = StartCheck(check, directory.path(), CREATE_NEW_CONSOLE);
  ASSERT_NE(child.hProcess, nullptr);
  const bool titled = e2e::WaitUntil(
      [] {
        return FindWindowW(nullptr, L"runabout-check: press Enter to close") !=
               nullptr;
      },
      kLimitMilliseconds);
  EXPECT_TRUE(titled) << "its window never said to press Enter";
  const bool prompted =
      titled && AttachConsole(child.dwProcessId) != FALSE &&
      e2e::WaitUntil([] { return ConsoleShows("Press Enter to close."); },
                     kLimitMilliseconds);
  EXPECT_TRUE(prompted) << "no prompt on its console";
  EXPECT_EQ(WaitForSingleObject(child.hProcess, 0), WAIT_TIMEOUT)
      << "it ended without waiting for Enter";
  EXPECT_TRUE(prompted && PressEnter());
  FreeConsole();
  EXPECT_TRUE(Ends(child, &status)) << "Enter did not end it";
  EXPECT_EQ(status, 0u);
}

}  // namespace
