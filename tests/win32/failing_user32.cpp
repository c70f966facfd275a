// A user32.dll whose MessageBoxA fails as the real one does when it cannot
// show the box: it returns 0. The fatal-report test loads it in place of
// Wine's own. Declared without <windows.h>, whose MessageBoxA is an import.
extern "C" __declspec(dllexport) int __stdcall MessageBoxA(
    void* /*owner*/, const char* /*text*/, const char* /*caption*/,
    unsigned /*type*/) {
  return 0;
}
