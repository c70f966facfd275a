// Shared helpers of the Windows end-to-end tests: a scratch directory, one
// way to start a program with an exact raw command line, and the records of
// the stand-in command interpreter (recording_cmd.cpp), which the tests that
// read them find in place of the system's cmd.exe.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

/// A new empty directory under the temporary directory, named after `label`,
/// deleted with its files when this object goes. path() ends with a
/// backslash.
class ScratchDirectory {
 public:
  explicit ScratchDirectory(const std::string& label = "e2e");
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  const std::string& path() const { return path_; }

  /// Copies the file `source` into this directory as `name` and returns the
  /// copy's path; the empty text if the copy failed.
  std::string Copy(const std::string& source, const std::string& name) const;

  /// Copies the helper program `name` (e.g. "marker.exe"), which stands
  /// beside this test program, into this directory as `as` (by default under
  /// its own name); false if the copy failed.
  bool CopyHelper(const std::string& name, const std::string& as = "") const;

 private:
  std::string path_;
};

/// Deletes the files in `directory` (ending with a backslash) and then the
/// directory. A program that ran from it may still be closing, so each
/// deletion is tried for a while.
void DeleteDirectory(const std::string& directory);

/// Whether `done()` holds within `limitMilliseconds`, asking every 50 ms.
template <typename Condition>
bool WaitUntil(Condition done, DWORD limitMilliseconds) {
  for (DWORD waited = 0; waited < limitMilliseconds; waited += 50) {
    if (done()) {
      return true;
    }
    Sleep(50);
  }
  return done();
}

/// Standard handles for a started program. Run without them leaves the
/// program this process's own.
struct StandardHandles {
  HANDLE input;
  HANDLE output;
  HANDLE error;
};

/// Standard handles that all lead to NUL, for a program whose output nobody
/// reads and whose background children must hold no pipe of this process.
const StandardHandles& NulHandles();

/// How a run ended.
struct Outcome {
  bool started = false;  ///< CreateProcessA succeeded.
  bool ended = false;    ///< It ended within a minute; else it was killed.
  DWORD exitCode = 0;    ///< Its exit status, once ended.
};

/// Starts `application` with exactly `commandLine` as its raw command line
/// and `directory` as its current directory, then waits up to a minute for it
/// to end. All three are read in this process's ANSI code page, as
/// CreateProcessA reads them, but without its limit of 65,535 bytes. With
/// `handles`, it inherits every inheritable handle of this process, at the same
/// values, and those are its standard handles (STARTF_USESTDHANDLES). A start
/// that fails is tried twice more, as Wine now and then fails one on its own.
Outcome Run(const std::string& application, const std::string& commandLine,
            const std::string& directory,
            const StandardHandles* handles = nullptr);

/// Like Run, with standard output read through a pipe into `*output`.
Outcome RunCapturingOutput(const std::string& application,
                           const std::string& commandLine,
                           const std::string& directory, std::string* output);

/// The system's cmd.exe, in this process's ANSI code page: Wine's own, or in
/// the Wine prefix made for the tests that read its records, the recording
/// stand-in.
std::string SystemInterpreter();

/// Has the stand-in interpreter, in every program started from here on,
/// record into `directory` (ending with a backslash).
void RecordInterpretersIn(const std::string& directory);

/// One record of the stand-in interpreter: "begin" or "end", and its line.
struct Record {
  std::string kind;
  std::string line;
};

/// The records in `directory`'s records.txt, in the order written, each line
/// in this process's ANSI code page, as the line it handed over; none if
/// there is no such file. A record that cannot be read becomes one of kind
/// "malformed" holding the rest of the file, and ends the list.
std::vector<Record> ReadRecords(const std::string& directory);

/// The lines of the file at `path`, each ended by a line feed, in order; none
/// if there is no such file. A last line without its line feed is returned
/// marked "unterminated: ", so that it compares unequal to any record.
std::vector<std::string> ReadLines(const std::string& path);

/// The verdict the stand-in interpreter left in `directory` for its
/// "probe-handle:N" marker: "inherited" or "not inherited"; empty if none ran.
std::string ReadHandleProbe(const std::string& directory);

/// The lines handed over, in order, if `records` are begin/end pairs of the
/// same line each (so every interpreter ended before the next one began);
/// otherwise false, with `*why` saying what is out of place.
bool HandedOverLines(const std::vector<Record>& records,
                     std::vector<std::string>* lines, std::string* why);

/// What one run with the recording stand-in cmd.exe left behind.
struct RecordedRun {
  Outcome outcome;
  std::string output;              ///< Everything on standard output.
  std::vector<std::string> lines;  ///< The lines handed over, in order.
  bool inOrder = false;  ///< The records were begin/end pairs (or none).
  std::string why;       ///< What went wrong, when something did.
  std::string probe;     ///< The stand-in's ReadHandleProbe verdict, if any.
  std::string planted;  ///< What a planted cmd.exe received; empty if none ran.
};

/// Copies `program` as `name` into a fresh scratch directory and runs it with
/// exactly `commandLine` from another one, reading what the system's stand-in
/// recorded. Both directories hold a cmd.exe of their own, an argument
/// recorder, which must never run.
RecordedRun RunWithRecordingCmd(const std::string& program,
                                const std::string& commandLine,
                                const std::string& name = "runabout.exe");

/// Whether `part` is `whole` with some elements left out, order kept.
bool IsSubsequence(const std::vector<std::string>& part,
                   const std::vector<std::string>& whole);

/// The verdict on attempt `attempt` (counted from 1) of `attempts` that did
/// not give `expected`: success when `got` only lacks some of it, starts Wine
/// lost, and attempts are left; failure, naming both lists, when anything is
/// wrong or out of order, or when starts are still lost at the last attempt.
testing::AssertionResult OnlyStartsLost(
    const std::vector<std::string>& got,
    const std::vector<std::string>& expected, int attempt, int attempts);

/// The folder of the file at `path`, with its (back)slash.
std::string DirectoryOf(const std::string& path);

/// The directory of this test program, ending with a backslash; the helper
/// programs stand there.
std::string ProgramDirectory();

/// The Windows path of the program named by environment variable `name`;
/// CTest gives it as a Unix path, which Wine serves under drive Z:.
std::string ProgramFromEnvironment(const char* name);

}  // namespace e2e
