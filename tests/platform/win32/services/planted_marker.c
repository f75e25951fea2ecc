/* Planted beside a program under the name of a DLL that it or a system DLL
   loads at run time: when loaded, it appends its own path to the file that
   TIVREL_PLANTED_MARKER names, and does nothing else. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  wchar_t marker[MAX_PATH], name[MAX_PATH];
  if (reason != DLL_PROCESS_ATTACH ||
      !GetEnvironmentVariableW(L"TIVREL_PLANTED_MARKER", marker, MAX_PATH))
    return TRUE;
  const DWORD length = GetModuleFileNameW(self, name, MAX_PATH - 1);
  name[length] = L'\n';
  HANDLE file = CreateFileW(marker, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                            OPEN_ALWAYS, 0, NULL);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, name, (length + 1) * sizeof(wchar_t), &written, NULL);
    CloseHandle(file);
  }
  return TRUE;
}
