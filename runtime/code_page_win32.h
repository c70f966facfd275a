// Conversions between UTF-16 and an 8-bit code page, for Windows code only:
// Runabout reads its command line and hands lines over through them, and the
// Windows tests' helper programs convert the same way.
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
