// The ideal removal the uninstall run is measured against: one pass over a tree whose layout it
// knows, every file deleted and then its folder removed, no look-up before a call.
// Usage: bench_single_pass FOLDER FOLDERS FILES_PER_FOLDER
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <cstdlib>

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  const int folders = _wtoi(argv[2]);
  const int files = _wtoi(argv[3]);
  wchar_t path[2048];
  int failed = 0;
  for (int d = 0; d < folders; ++d) {
    for (int f = 0; f < files; ++f) {
      swprintf(path, 2048, L"%ls\\d%03d\\f%03d.txt", argv[1], d, f);
      failed += DeleteFileW(path) ? 0 : 1;
    }
    swprintf(path, 2048, L"%ls\\d%03d", argv[1], d);
    failed += RemoveDirectoryW(path) ? 0 : 1;
  }
  return failed == 0 ? 0 : 1;
}
