#include "framework/faces.h"

#include <algorithm>
#include <cmath>

namespace tivrel {

std::vector<std::u16string_view> FallbackOrder(float points) {
  const bool sansFirst = points <= kSansUpToPoints;
  std::vector<std::u16string_view> order;
  for (const bool sans : {sansFirst, !sansFirst}) {
    for (const FallbackFace& f : kFallbackFaces) {
      if (f.sans == sans) order.push_back(f.name);
    }
  }
  return order;
}

FontDesign DesignedFont(const FormDesign& form, const ControlDesign& control) {
  if (control.font) return *control.font;
  if (control.button) return control.button->font;
  if (control.moving) return control.moving->font;
  return form.font.value_or(FontDesign{});
}

namespace {

// The lines of a text box's or label's text as the design breaks them; the
// hosted controls lay out their own.
std::vector<std::u16string_view> Lines(const ControlDesign& c) {
  if (c.kind != ControlKind::TextBox && c.kind != ControlKind::Label) return {};
  std::u16string_view text = c.text;
  std::vector<std::u16string_view> lines;
  while (!text.empty()) {
    const size_t end = text.find_first_of(u"\r\n");
    lines.push_back(text.substr(0, end));
    if (end == std::u16string_view::npos) break;
    text.remove_prefix(end + (text.substr(end, 2) == u"\r\n" ? 2 : 1));
  }
  return lines;
}

// Whether a font keeps one control's design.
class Fit {
 public:
  Fit(TextMeasure& measure, const ControlDesign& c)
      : measure_(measure),
        lines_(Lines(c)),
        room_(lines_.empty() ? TextRoom{} : measure.Room(c)),
        label_(c.kind == ControlKind::Label) {}

  // Every line fits, so that none breaks anew, and a label's line its
  // height; with places, the lines that blanks place keep their place too.
  bool Keeps(const FontDesign& font, bool places) const {
    const bool limited = room_.width > 0 || room_.height > 0;
    for (const std::u16string_view line : lines_) {
      if (limited && !Fits(font, line)) return false;
      if (places && !KeepsPlace(font, line)) return false;
    }
    return true;
  }

 private:
  bool Fits(const FontDesign& font, std::u16string_view line) const {
    const std::u16string_view shown =
        room_.trailingBlanksBreak ? line : line.substr(0, line.find_last_not_of(u' ') + 1);
    const TextExtent e = measure_.Measure(font, shown);
    if (label_ && room_.height > 0) {
      if (2 * e.lineHeight <= room_.height) return true;  // it wraps, as designed
      if (e.lineHeight > room_.height) return false;
    }
    return room_.width <= 0 || e.width <= room_.width;
  }

  // A line that leading blanks place (the read-me's signature) stands where
  // 宋体 put it, an eighth either way: there a blank is half a character.
  bool KeepsPlace(const FontDesign& font, std::u16string_view line) const {
    const size_t blanks = std::min(line.find_first_not_of(u' '), line.size());
    if (blanks < 2 || blanks == line.size()) return true;
    const double at = measure_.Measure(font, line.substr(0, blanks)).width;
    const double designed = static_cast<double>(blanks) * measure_.Measure(font, u"中").width / 2;
    return std::abs(at - designed) * 8 <= designed;
  }

  TextMeasure& measure_;
  std::vector<std::u16string_view> lines_;
  TextRoom room_;
  bool label_;
};

// Faces are asked for only as far as the choice goes: each costs the
// platform a look through its fonts.
FontDesign Choose(const FontDesign& designed, const Fit& fit, TextMeasure& measure) {
  FontDesign font = designed;
  const float least = designed.points / 2;
  // A face that keeps everything, at most a point smaller; else one that
  // keeps the breaks and heights, as small as it takes.
  for (const bool places : {true, false}) {
    const float smallest = places ? std::max(least, designed.points - 1) : least;
    for (float points = designed.points; points >= smallest; points -= 0.25f) {
      font.points = points;
      for (const std::u16string_view face : FallbackOrder(points)) {
        if (!measure.Installed(face)) continue;
        font.face = face;
        if (fit.Keeps(font, places)) return font;
      }
    }
  }
  // Never below half the design: an unreadable line is no better than a cut
  // one. Without any fallback face, the platform's own mapping is all there is.
  for (const std::u16string_view face : FallbackOrder(least)) {
    if (measure.Installed(face))
      return FontDesign{std::u16string(face), least, designed.weight, designed.charset};
  }
  return designed;
}

}  // namespace

std::vector<FontDesign> ChooseFonts(const FormDesign& form, TextMeasure& measure) {
  std::vector<FontDesign> fonts;
  fonts.reserve(form.controls.size());
  for (const ControlDesign& c : form.controls) {
    const FontDesign designed = DesignedFont(form, c);
    const std::u16string_view face = designed.face.empty() ? kDefaultFace : designed.face;
    if (measure.Installed(face) || !(designed.points > 0)) {
      fonts.push_back(designed);
    } else {
      fonts.push_back(Choose(designed, Fit(measure, c), measure));
    }
  }
  // A label designed larger than another is never drawn smaller: the About
  // window's legal notice stays at least as large as the labels above it.
  std::vector<size_t> labels;
  for (size_t i = 0; i < fonts.size(); ++i) {
    if (form.controls[i].kind == ControlKind::Label) labels.push_back(i);
  }
  const auto designedPoints = [&](size_t i) { return DesignedFont(form, form.controls[i]).points; };
  std::stable_sort(labels.begin(), labels.end(),
                   [&](size_t a, size_t b) { return designedPoints(a) < designedPoints(b); });
  float below = 0;  // the largest drawn size of the labels designed smaller
  for (size_t k = 0; k < labels.size();) {
    size_t end = k;
    float group = below;
    while (end < labels.size() && designedPoints(labels[end]) == designedPoints(labels[k])) {
      FontDesign& font = fonts[labels[end]];
      font.points = std::max(font.points, below);
      group = std::max(group, font.points);
      ++end;
    }
    below = group;
    k = end;
  }
  return fonts;
}

}  // namespace tivrel
