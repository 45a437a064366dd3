// Holds a module loaded, as a running host does, until told to let go:
//   hold_module.exe <module> <marker file>
// creates the marker once the module is loaded and exits when the marker is deleted
// (or after a minute). Exit code 3: the module could not be loaded.
#include <windows.h>

int main(int argc, char** argv) {
  if (argc != 3 || LoadLibraryA(argv[1]) == nullptr) {
    return 3;
  }
  CloseHandle(CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  for (int tenths = 0; tenths < 600 && GetFileAttributesA(argv[2]) != INVALID_FILE_ATTRIBUTES;
       ++tenths) {
    Sleep(100);
  }
  return 0;
}
