// Links resources/tivrel.rc into a small Windows program and loads every
// image the way the Win32 front end does, then reads the version strings back
// through the version API. Build and run (from the repository root):
//   x86_64-w64-mingw32-windres -I src resources/tivrel.rc -O coff -o build/h-res/tivrel_rc.o
//   x86_64-w64-mingw32-g++ -municode -std=c++20 tests/resources/win32/win32_images_check.cpp
//       build/h-res/tivrel_rc.o -lversion -lgdi32 -o build/h-res/win32_images_check.exe
//   wine64 build/h-res/win32_images_check.exe
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

int failures = 0;

void Expect(bool ok, const char* what) {
  if (!ok) {
    std::printf("FAIL %s\n", what);
    ++failures;
  }
}

// The size of an icon's colour bitmap (its depth is the screen's by now; the
// stored depths are checked by resources/check_images.py).
void CheckIcon(HICON icon, int size, const char* what) {
  Expect(icon != nullptr, what);
  if (icon == nullptr) return;
  ICONINFO info{};
  BITMAP bm{};
  Expect(GetIconInfo(icon, &info) && GetObjectW(info.hbmColor, sizeof bm, &bm) == sizeof bm, what);
  Expect(bm.bmWidth == size && bm.bmHeight == size, what);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
}

void CheckBitmap(int id, int width, int height) {
  const auto bitmap = static_cast<HBITMAP>(LoadImageW(
      GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  BITMAP bm{};
  char what[64];
  std::snprintf(what, sizeof what, "bitmap %d %dx%d", id, width, height);
  Expect(bitmap != nullptr && GetObjectW(bitmap, sizeof bm, &bm) == sizeof bm &&
             bm.bmWidth == width && bm.bmHeight == height && bm.bmBitsPixel == 24,
         what);
  if (bitmap) DeleteObject(bitmap);
}

std::wstring VersionString(const std::wstring& name) {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  DWORD ignored = 0;
  std::string block(GetFileVersionInfoSizeW(path, &ignored), '\0');
  if (block.empty() ||
      !GetFileVersionInfoW(path, 0, static_cast<DWORD>(block.size()), block.data()))
    return {};
  void* value = nullptr;
  UINT length = 0;
  const std::wstring key = L"\\StringFileInfo\\080404B0\\" + name;
  if (!VerQueryValueW(block.data(), key.c_str(), &value, &length)) return {};
  return std::wstring(static_cast<const wchar_t*>(value));
}

}  // namespace

int wmain() {
  const HINSTANCE self = GetModuleHandleW(nullptr);
  // The application icon is group 1; its one image is RT_ICON 30001.
  CheckIcon(LoadIconW(self, MAKEINTRESOURCEW(1)), 32, "icon group 1");
  Expect(FindResourceW(self, MAKEINTRESOURCEW(30001), MAKEINTRESOURCEW(3)) != nullptr,
         "RT_ICON 30001");
  for (int id : {30002, 30003}) {
    CheckIcon(static_cast<HICON>(LoadImageW(self, MAKEINTRESOURCEW(id), IMAGE_ICON, 32, 32, 0)), 32,
              "32x32 icon");
  }
  for (int id : {30004, 30005}) {
    CheckIcon(static_cast<HICON>(LoadImageW(self, MAKEINTRESOURCEW(id), IMAGE_ICON, 16, 16, 0)), 16,
              "16x16 icon");
  }
  CheckBitmap(30101, 15, 3);
  CheckBitmap(30102, 90, 21);
  CheckBitmap(30103, 110, 19);
  CheckBitmap(30104, 125, 25);
  Expect(FindResourceW(self, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)) != nullptr, "manifest");
  Expect(VersionString(L"Comments") == L"\u5c9a\u94c3\u58f0\u5361\u6d4b\u8bd5\u4eea", "Comments");
  Expect(VersionString(L"ProductName") == L"Tivrel Build0730", "ProductName");
  Expect(VersionString(L"OriginalFilename") == L"Tivrel.exe", "OriginalFilename");
  std::printf("%s\n", failures == 0 ? "all resources load" : "resource check failed");
  return failures == 0 ? 0 : 1;
}
