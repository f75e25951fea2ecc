// The choice of faces and sizes where 宋体 is missing, on faces whose
// measures are those of the real ones: 宋体 is half a character wide for a
// Latin letter or a blank, its line as tall as its size; the Noto CJK faces'
// lines are 1.448 times; the serif's Latin letters are wider, the
// proportional sans's blank narrow, and the mono face's blank half wide.
#include "framework/faces.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>

#include "forms/about_readme.h"
#include "forms/form1.h"
#include "framework/text.h"

namespace tivrel {
namespace {

struct Face {
  double letter, blank, line;  // other ASCII: half a character
};
const std::map<std::u16string, Face> kFaces = {
    {u"宋体", {0.5, 0.5, 1.0}},
    {u"Noto Serif CJK SC", {0.6, 0.25, 1.448}},
    {u"Noto Sans CJK SC", {0.5, 0.224, 1.448}},
    {u"Noto Sans Mono CJK SC", {0.5, 0.5, 1.448}},
};

class FakeMeasure : public TextMeasure {
 public:
  explicit FakeMeasure(std::set<std::u16string> installed, bool blanksBreak)
      : installed_(std::move(installed)), blanksBreak_(blanksBreak) {}
  bool Installed(std::u16string_view face) override {
    return installed_.count(std::u16string(face)) > 0;
  }
  TextExtent Measure(const FontDesign& font, std::u16string_view text) override {
    const Face& f = kFaces.at(font.face.empty() ? u"宋体" : font.face);
    const double em = font.points * 96.0 / 72.0;
    double width = 0;
    for (const char16_t c : text) {
      const bool letter = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
      width += em * (c >= 0x2E80 ? 1.0 : c == u' ' ? f.blank : letter ? f.letter : 0.5);
    }
    return TextExtent{static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(em * f.line))};
  }
  // At 96 dpi; the read-me box gives a line 252 pixels, as on both platforms.
  TextRoom Room(const ControlDesign& c) override {
    const int w = TwipsToPixels(c.width, 96), h = TwipsToPixels(c.height, 96);
    switch (c.kind) {
      case ControlKind::TextBox:
        return {c.name == "Text1" && c.height == 2805 ? 252 : w - 23, 0, blanksBreak_};
      case ControlKind::Label:
        return {w, h};
      default:
        return {w, 0};
    }
  }

 private:
  std::set<std::u16string> installed_;
  bool blanksBreak_;
};

std::string Font(const FormDesign& form, const std::vector<FontDesign>& fonts,
                 std::string_view name, int index = kNoIndex) {
  const FontDesign& f =
      fonts.at(static_cast<size_t>(form.Find(name, index) - form.controls.data()));
  char points[16];
  std::snprintf(points, sizeof points, " %.2f", f.points);
  return Utf16ToUtf8(f.face.empty() ? kDefaultFace : f.face) + points;
}

TEST(Faces, EachTextTakesTheInstalledFaceThatKeepsItsDesign) {
  const std::set<std::u16string> noto = {u"Noto Serif CJK SC", u"Noto Sans CJK SC",
                                         u"Noto Sans Mono CJK SC"};
  struct Case {
    const char* what;
    std::set<std::u16string> installed;
    bool blanksBreak;
    const FormDesign& form;
    std::string name;
    int index;
    std::string expected;
  };
  const Case cases[] = {
      // 宋体 itself: everything as designed.
      {"song",
       {u"宋体", u"Noto Sans CJK SC"},
       false,
       ReadmeDesign(),
       "Text1",
       kNoIndex,
       "宋体 9.00"},
      {"song", {u"宋体"}, false, AboutDesign(), "bq", kNoIndex, "宋体 10.50"},
      // Noto alone: the read-me keeps its breaks and its signature's place
      // only in the mono face; 9-point text is sans; the About labels must
      // be smaller in any Noto face, and the legal notice, designed the
      // largest, is not drawn smaller than they are.
      {"noto", noto, false, ReadmeDesign(), "Text1", kNoIndex, "Noto Sans Mono CJK SC 9.00"},
      {"noto", noto, false, Form1Design(), "Text1", kNoIndex, "Noto Sans CJK SC 9.00"},
      {"noto", noto, false, Form1Design(), "Command1", 2, "Noto Sans CJK SC 9.00"},
      {"noto", noto, false, AboutDesign(), "Label2", kNoIndex, "Noto Sans CJK SC 8.75"},
      {"noto", noto, false, AboutDesign(), "Label1", kNoIndex, "Noto Sans CJK SC 8.75"},
      {"noto", noto, false, AboutDesign(), "bq", kNoIndex, "Noto Sans CJK SC 8.75"},
      // Where a blank at a line's end breaks it, line 14 (43 columns with its
      // trailing blank) keeps its break and place a quarter point smaller.
      {"noto", noto, true, ReadmeDesign(), "Text1", kNoIndex, "Noto Sans Mono CJK SC 8.75"},
      // Only faces that lose the place: the breaks still count, a place is
      // not worth a smaller size; the serif's line 8 is too wide at 9 points.
      {"sans",
       {u"Noto Sans CJK SC"},
       false,
       ReadmeDesign(),
       "Text1",
       kNoIndex,
       "Noto Sans CJK SC 9.00"},
      {"serif",
       {u"Noto Serif CJK SC"},
       false,
       ReadmeDesign(),
       "Text1",
       kNoIndex,
       "Noto Serif CJK SC 8.75"},
      {"serif",
       {u"Noto Serif CJK SC"},
       false,
       AboutDesign(),
       "Label3",
       kNoIndex,
       "Noto Serif CJK SC 8.75"},
      // No Chinese face at all: the platform's own mapping.
      {"none", {}, false, ReadmeDesign(), "Text1", kNoIndex, "宋体 9.00"},
  };
  for (const Case& c : cases) {
    FakeMeasure measure(c.installed, c.blanksBreak);
    const std::vector<FontDesign> fonts = ChooseFonts(c.form, measure);
    ASSERT_EQ(fonts.size(), c.form.controls.size());
    EXPECT_EQ(Font(c.form, fonts, c.name, c.index), c.expected) << c.what << " " << c.name;
  }
}

TEST(Faces, SmallSizesTrySansFacesFirstLargeOnesSongFaces) {
  const auto small = FallbackOrder(kSansUpToPoints);
  const auto large = FallbackOrder(kSansUpToPoints + 0.25f);
  EXPECT_EQ(small.front(), u"Noto Sans CJK SC");
  EXPECT_EQ(large.front(), u"SimSun");
  EXPECT_EQ(small.size(), std::size(kFallbackFaces));
  EXPECT_EQ(std::set(small.begin(), small.end()), std::set(large.begin(), large.end()));
}

}  // namespace
}  // namespace tivrel
