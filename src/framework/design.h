// Window designs as data: every window is built from one of these, anew on
// every Load. Positions and sizes are in twips, relative to the client area.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tivrel {

enum class FormId { Form1, frmAbout, frmreadme };
inline constexpr int kFormCount = 3;
// The window's name as its design gives it, for messages and logs.
const char* FormName(FormId form);

// A control-array index; kNoIndex for a control that is not an array element.
inline constexpr int kNoIndex = -1;

// A control of a window: the name its design gives it and, for an element of
// a control array, the index. Events and calls name controls this way on
// every platform; each window's names are typed constants beside its design.
struct ControlRef {
  std::string_view name;
  int index = kNoIndex;
  friend constexpr bool operator==(ControlRef, ControlRef) = default;
};

// "name" or "name(index)": how a control is named in messages and keyed by
// the platforms.
std::string ControlKey(ControlRef control);

// A menu or menu item of a window, by the name its design gives it.
struct MenuRef {
  std::string_view name;
  friend constexpr bool operator==(MenuRef, MenuRef) = default;
};

// 0x00BBGGRR, or 0x800000nn for system colour nn.
using Colour = uint32_t;
inline constexpr Colour kSystemColourFlag = 0x80000000u;
inline constexpr Colour kButtonFace = 0x8000000Fu;
inline constexpr bool IsSystemColour(Colour c) { return (c & kSystemColourFlag) != 0; }
inline constexpr int SystemColourIndex(Colour c) { return static_cast<int>(c & 0xFFu); }

inline constexpr int kTwipsPerInch = 1440;
// Rounds to the nearest pixel: 15 twips are one pixel at 96 DPI.
constexpr int TwipsToPixels(int twips, int dpi) {
  const long long num = static_cast<long long>(twips) * dpi;
  return static_cast<int>(num >= 0 ? (num + kTwipsPerInch / 2) / kTwipsPerInch
                                   : -((-num + kTwipsPerInch / 2) / kTwipsPerInch));
}
// The hosted controls' extent in hundredths of a millimetre, nearest whole number.
constexpr int TwipsToHimetric(int twips) {
  return static_cast<int>((static_cast<long long>(twips) * 2540 + kTwipsPerInch / 2) /
                          kTwipsPerInch);
}

// The face of the Chinese user interface, used where a design stores none.
inline constexpr std::u16string_view kDefaultFace = u"宋体";
inline constexpr float kDefaultPoints = 9.0f;
// The largest font size a control takes.
inline constexpr float kMaxFontPoints = 2048.0f;
// A rectangle on the screen, in pixels.
struct ScreenRect {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const ScreenRect&) const = default;
};
// Where a window goes: its designed place, moved as little as needed to lie
// inside the screen's available area (a large scale factor makes designed
// origins run off the screen). A window larger than the area keeps its
// top-left corner, and so its title and menu bar, inside it.
ScreenRect KeepInside(ScreenRect window, ScreenRect area);

struct FontDesign {
  std::u16string face;  // empty: the framework's Chinese UI default face
  float points = kDefaultPoints;
  int weight = 400;
  int charset = 134;  // GB2312
};

// Image resources, named by the ids the Windows resource script gives them;
// the Qt build embeds the same files under the same ids.
enum class ImageId : int {
  None = 0,
  MainIcon = 30001,    // 32x32, 16 colours: Form1's icon and frmAbout's picIcon
  AboutIcon = 30002,   // four images: 32x16 and 32x32 mono, two 32x32 16-colour
  ReadmeIcon = 30003,  // 32x32, 256 colours
  TestIcon = 30004,    // 16x16, 256 colours, on the Test button
  ExitIcon = 30005,    // 16x16, 256 colours, on the Exit button
  TestFace = 30101,    // 24-bit 15x3
  AboutFace = 30102,   // 24-bit 90x21
  ExitFace = 30103,    // 24-bit 110x19
  ReturnFace = 30104,  // 24-bit 125x25, five 25x25 frames side by side
};

enum class BorderStyle { FixedSingle = 1, FixedDialog = 3 };

enum class ControlKind { TextBox, Label, Line, PictureBox, HostedButton, MovingText };

// Persisted settings of the hosted push button; unset optionals take the
// control's own defaults.
struct ButtonSettings {
  std::u16string caption;
  FontDesign font;
  ImageId picture = ImageId::None;
  int pictureWidth = 0, pictureHeight = 0;
  int pictureFrames = 1;  // looks side by side in the picture
  Colour picmaskcolor = 0xFFFFFF;
  ImageId icon = ImageId::None;  // None: empty picture
  std::optional<Colour> icomaskcolor;
  std::optional<int32_t> iconalign;
  std::optional<bool> showfocus;
  std::optional<int16_t> pr;
  std::optional<int16_t> fr;
  std::optional<int32_t> appearance;
  int extentX = 0, extentY = 0;  // hundredths of a millimetre
};

// Persisted settings of the scrolling-text line.
struct MovingTextSettings {
  std::u16string msgchar;
  Colour charcolor = 0;
  Colour backcolor = kButtonFace;
  int16_t mousepointer = 0;
  FontDesign font;
  int extentX = 0, extentY = 0;
};

struct ControlDesign {
  std::string name;
  ControlKind kind = ControlKind::Label;
  int index = kNoIndex;
  int tabIndex = -1;                             // -1: lines, which have none
  bool tabStop = true;                           // labels and lines never take the focus anyway
  int left = 0, top = 0, width = 0, height = 0;  // lines: x1, y1, x2, y2
  std::u16string toolTip;
  std::u16string text;             // label caption, text box text
  std::optional<FontDesign> font;  // none: the window's font
  // Text boxes.
  bool multiLine = false;
  bool verticalScrollBar = false;
  bool locked = false;
  // False: the toolkit's own edit menu never opens; the handlers may show one.
  bool toolkitMenu = true;
  Colour backColor = 0x80000005u;  // window background
  Colour foreColor = 0x80000012u;  // button text
  bool foreColorSet = false;
  // Lines.
  int lineWidth = 1;
  bool insideSolid = false;
  // Picture boxes.
  ImageId picture = ImageId::None;
  bool autoSize = false;
  // Hosted controls.
  std::optional<ButtonSettings> button;
  std::optional<MovingTextSettings> moving;
};

struct MenuDesign {
  std::string name;
  std::u16string caption;
  bool visible = true;
  bool enabled = true;
  std::vector<MenuDesign> items;
};

struct FormDesign {
  FormId id = FormId::Form1;
  std::string name;
  std::u16string caption;
  BorderStyle border = BorderStyle::FixedSingle;
  bool maxButton = false, minButton = false;
  bool showInTaskbar = true;
  // False: the window system's means (close box, window menu, Alt+F4) never
  // close the window; only the handlers unload it.
  bool userCanClose = true;
  int clientWidth = 0, clientHeight = 0;
  int left = 0, top = 0;  // client-area origin on the screen
  ImageId icon = ImageId::None;
  std::optional<FontDesign> font;
  std::vector<ControlDesign> controls;  // in design order
  std::vector<MenuDesign> menus;        // top level first

  const ControlDesign* Find(std::string_view name, int index = kNoIndex) const;
  const ControlDesign* Find(ControlRef control) const { return Find(control.name, control.index); }
  // A menu or menu item at any depth.
  const MenuDesign* FindMenu(std::string_view name) const;
  // Controls that take part in tab order, ascending by tab index.
  std::vector<const ControlDesign*> TabOrder() const;
};

}  // namespace tivrel
