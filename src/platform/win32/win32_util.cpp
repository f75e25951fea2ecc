#include "platform/win32/win32_util.h"

#include <cmath>
#include <map>
#include <string>

#include "framework/error.h"

namespace tivrel::win32 {

void ThrowWin32(const char* call, DWORD error) {
  throw Error(std::string("Windows 调用失败：") + call + "（错误 " + std::to_string(error) + "）");
}

void ThrowWin32(const char* call) { ThrowWin32(call, GetLastError()); }

namespace {

int CALLBACK FoundFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

}  // namespace

bool FaceInstalled(const std::wstring& face) {
  static std::map<std::wstring, bool> known;
  const auto it = known.find(face);
  if (it != known.end()) return it->second;
  if (face.empty() || face.size() >= LF_FACESIZE) return known[face] = false;
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  face.copy(lf.lfFaceName, face.size());
  bool found = false;
  HDC dc = GetDC(nullptr);
  EnumFontFamiliesExW(dc, &lf, FoundFace, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, dc);
  return known[face] = found;
}

std::wstring UsableFace(const std::wstring& face) {
  static std::map<std::wstring, std::wstring> known;
  auto it = known.find(face);
  if (it != known.end()) return it->second;
  // Without the face asked for, the font mapper may pick one with no Latin
  // letters at all (seen under Wine): another Chinese face is closer.
  std::wstring usable = face;
  if (!FaceInstalled(face)) {
    for (const std::u16string_view other : FallbackOrder(kDefaultPoints)) {
      if (FaceInstalled(Wide(other))) {
        usable = Wide(other);
        break;
      }
    }
  }
  known[face] = usable;
  return usable;
}

HFONT CreateDesignFont(const FontDesign& font, int dpi) {
  const std::wstring face =
      UsableFace(Wide(font.face.empty() ? kDefaultFace : std::u16string_view(font.face)));
  const float points = font.points > 0 ? font.points : kDefaultPoints;
  const int height = -static_cast<int>(std::lround(points * static_cast<float>(dpi) / 72.0f));
  HFONT f = CreateFontW(height, 0, 0, 0, font.weight, FALSE, FALSE, FALSE,
                        static_cast<DWORD>(font.charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                        DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str());
  if (!f) ThrowWin32("CreateFontW");
  return f;
}

TextExtent MeasureLine(const FontDesign& font, int dpi, const std::wstring& text) {
  TextExtent extent;
  Gdi<HFONT> f(CreateDesignFont(font, dpi));
  HDC dc = GetDC(nullptr);
  if (!dc) return extent;
  const HGDIOBJ old = SelectObject(dc, f.get());
  TEXTMETRICW tm{};
  if (GetTextMetricsW(dc, &tm)) extent.lineHeight = tm.tmHeight;
  SIZE size{};
  if (GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size)) {
    extent.width = size.cx;
  }
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return extent;
}

HICON LoadIconImage(HINSTANCE module, ImageId id, int size) {
  if (id == ImageId::None) return nullptr;
  return static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(ResourceId(id)), IMAGE_ICON, size,
                                       size, LR_DEFAULTCOLOR));
}

HBITMAP LoadBitmapImage(HINSTANCE module, ImageId id) {
  if (id == ImageId::None) return nullptr;
  return static_cast<HBITMAP>(LoadImageW(module, MAKEINTRESOURCEW(ResourceId(id)), IMAGE_BITMAP, 0,
                                         0, LR_CREATEDIBSECTION));
}

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

}  // namespace tivrel::win32
