// Which face and size a window's texts are drawn in. The designs were made
// for 宋体; where it is missing, the core chooses among the installed Chinese
// faces from what the platform measures, and the platform applies the choice.
#pragma once

#include <string_view>
#include <vector>

#include "framework/design.h"

namespace tivrel {

// The faces tried where 宋体 is not installed, Song (serif) faces first, as
// they look most like it; whether a face is a sans face decides where it
// comes at small sizes (see ChooseFonts).
struct FallbackFace {
  std::u16string_view name;
  bool sans;
};
inline constexpr FallbackFace kFallbackFaces[] = {
    {u"SimSun", false},  // 宋体 and 新宋体 under their English names
    {u"NSimSun", false},
    {u"Noto Serif CJK SC", false},
    {u"AR PL UMing CN", false},
    {u"Noto Sans CJK SC", true},
    {u"Microsoft YaHei UI", true},
    {u"Microsoft YaHei", true},
    {u"WenQuanYi Zen Hei", true},
    {u"WenQuanYi Micro Hei", true},
    {u"Source Han Sans SC", true},
    {u"Noto Sans Mono CJK SC", true},
    {u"Droid Sans Fallback", true},
};
// At this size and below a sans face comes first: thin Song strokes fade.
inline constexpr float kSansUpToPoints = 9.0f;
// The fallback faces in the order they are tried at a size.
std::vector<std::u16string_view> FallbackOrder(float points);

// What a line of text takes at a size in points, in pixels, as measured by
// the platform with the face it actually uses.
struct TextExtent {
  int width = 0, lineHeight = 0;
};
// The room a control gives a line of its text, in pixels: the width (a text
// box's inside its frame, margins and scroll bar) and, for a label, the
// height; 0 where there is no limit. Blanks at the end of a line hang past
// the edge unless the control breaks the line there (Win32's edit box does).
struct TextRoom {
  int width = 0, height = 0;
  bool trailingBlanksBreak = false;
};

// The platform's part: which faces it has, how it draws a line, and how
// much room its controls give a line.
class TextMeasure {
 public:
  virtual ~TextMeasure() = default;
  virtual bool Installed(std::u16string_view face) = 0;
  virtual TextExtent Measure(const FontDesign& font, std::u16string_view text) = 0;
  virtual TextRoom Room(const ControlDesign& control) = 0;
};

// The font a control's design gives it: its own, its hosted settings', or
// the window's.
FontDesign DesignedFont(const FormDesign& form, const ControlDesign& control);

// The font each control of the window is drawn in, in design order. A
// designed face that is installed is drawn as designed. Where it is missing,
// a control takes the first installed fallback face that keeps the design:
// every line of its text fits its room, so that no line breaks anew; a line
// placed by leading blanks keeps its place (a blank is half a Chinese
// character wide in 宋体); a one-line label's line fits its height. Sans
// faces come first at kSansUpToPoints and below, Song faces above. Only when
// no face keeps the design is the size made smaller: by at most a point to
// keep the places too, else to the largest quarter point, down to half the
// design, at which a face keeps the breaks and heights. Labels then keep the
// design's order of sizes: none is drawn smaller than a label designed
// smaller than it.
std::vector<FontDesign> ChooseFonts(const FormDesign& form, TextMeasure& measure);

}  // namespace tivrel
