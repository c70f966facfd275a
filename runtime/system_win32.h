// What Runabout's Windows code takes from the system, shared with its tests
// and benchmark: conversions between UTF-16 and an 8-bit code page, through
// which Runabout reads its command line and hands lines over, and the path of
// the system's own cmd.exe, the one interpreter it hands them to.
#pragma once

#include <windows.h>

#include <string>

/// `text`, in code page `from`, as UTF-16; empty if it cannot be converted.
inline std::wstring Widened(UINT from, const std::string& text) {
  const int length = static_cast<int>(text.size());
  const int size =
      MultiByteToWideChar(from, 0, text.data(), length, nullptr, 0);
  if (size <= 0) {
    return std::wstring();
  }
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(from, 0, text.data(), length, wide.data(), size);
  return wide;
}

/// `wide` in code page `to`, with best fit where that code page has it, as
/// Windows converts a process's command line; empty if it cannot be converted.
inline std::string Narrowed(UINT to, const std::wstring& wide) {
  const int length = static_cast<int>(wide.size());
  const int size = WideCharToMultiByte(to, 0, wide.data(), length, nullptr, 0,
                                       nullptr, nullptr);
  if (size <= 0) {
    return std::string();
  }
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(to, 0, wide.data(), length, text.data(), size, nullptr,
                      nullptr);
  return text;
}

/// cmd.exe in the system folder; empty if that folder cannot be read.
inline std::wstring SystemInterpreter() {
  const UINT size = GetSystemDirectoryW(nullptr, 0);  // NUL included.
  if (size == 0) {
    return std::wstring();
  }
  std::wstring path(size, L'\0');
  const UINT length = GetSystemDirectoryW(path.data(), size);
  if (length == 0 || length >= size) {
    return std::wstring();
  }
  path.resize(length);
  return path + L"\\cmd.exe";
}
