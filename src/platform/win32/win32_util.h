// Small Win32 helpers shared by the window framework and the hosted controls:
// UTF-16 strings, owned GDI handles, design colours, fonts and image ids.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "framework/design.h"
#include "framework/faces.h"
#include "platform/win32/win32.h"

namespace tivrel::win32 {

inline std::wstring Wide(std::u16string_view s) { return std::wstring(s.begin(), s.end()); }
inline std::u16string Utf16(std::wstring_view s) { return std::u16string(s.begin(), s.end()); }

// Throws tivrel::Error naming the failed call and GetLastError, in Chinese.
[[noreturn]] void ThrowWin32(const char* call);
[[noreturn]] void ThrowWin32(const char* call, DWORD error);

struct GdiDeleter {
  void operator()(void* h) const {
    if (h) DeleteObject(static_cast<HGDIOBJ>(h));
  }
};
template <typename H>
using Gdi = std::unique_ptr<std::remove_pointer_t<H>, GdiDeleter>;

struct IconDeleter {
  void operator()(HICON h) const {
    if (h) DestroyIcon(h);
  }
};
using Icon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;

// 0x00BBGGRR as it is, or the system colour that 0x800000nn names.
inline COLORREF ResolveColour(Colour c) {
  return IsSystemColour(c) ? GetSysColor(SystemColourIndex(c))
                           : static_cast<COLORREF>(c & 0xFFFFFFu);
}

// Whether the font mapper has the face; asked once a face.
bool FaceInstalled(const std::wstring& face);
// The face itself when it is installed, else the first fallback face that
// is at the default size.
std::wstring UsableFace(const std::wstring& face);

// A font at the screen's DPI; fractional points (9.75, 10.5) round to the
// nearest pixel height.
HFONT CreateDesignFont(const FontDesign& font, int dpi);

// The width of one line of text and the font's line height, in pixels.
TextExtent MeasureLine(const FontDesign& font, int dpi, const std::wstring& text);

// Resource ids of the images: the main icon is icon group 1 (the one the
// shell shows), every other image has its ImageId number.
inline int ResourceId(ImageId id) { return id == ImageId::MainIcon ? 1 : static_cast<int>(id); }
// Null when the image is not in the module: a missing picture is drawn as none.
HICON LoadIconImage(HINSTANCE module, ImageId id, int size);
HBITMAP LoadBitmapImage(HINSTANCE module, ImageId id);

// The screen's logical DPI (96 unless the user scaled the display).
int ScreenDpi();

}  // namespace tivrel::win32
