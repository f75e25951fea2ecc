// The read-me window: design, its fixed text and its load handler.
#include "app/author.h"
#include "forms/about_readme.h"
#include "forms/readme_text.h"
#include "forms/shared_parts.h"

namespace tivrel {

std::u16string ReadmeText() {
  const std::u16string stars(42, u'*');
  const std::u16string indent(36, u' ');
  const std::u16string lines[] = {
      u"岚铃声卡测试仪",
      u"",
      stars,
      u"",
      u"名称：岚铃声卡测试仪",
      u"",
      // One sentence, broken by hand at 42 columns, inside words.
      u"功能：检测您电脑内的声卡设备，包括：产品名",
      u"称、产品ID、驱动程序ID、驱动程序版本、输出",
      u"声道、支持格式列表、扩展输出功能列表等",
      u"",
      stars,
      u"",
      indent + std::u16string(kAuthorName),
      indent + u"2003.7 ",
  };
  std::u16string text;
  for (const auto& line : lines) text += line + u"\r\n";
  return text;
}

namespace {

FormDesign MakeReadme() {
  FormDesign d{.id = FormId::frmreadme,
               .name = "frmreadme",
               .caption = u"ReadMe",
               .border = BorderStyle::FixedSingle,
               .showInTaskbar = true,
               .clientWidth = 4635,
               .clientHeight = 3390,
               .left = 5160,
               .top = 3945,
               .icon = ImageId::ReadmeIcon};
  d.controls = {ReadOnlyTextBox(readme::kText1, 0, 240, 240, 4185, 2805, ReadmeText())};
  return d;
}

void ReadmeLoad(App& app) { app.host().Beep(); }

}  // namespace

const FormDesign& ReadmeDesign() {
  static const FormDesign design = MakeReadme();
  return design;
}

const FormHandlers& ReadmeHandlers() {
  static const FormHandlers handlers{.load = ReadmeLoad};
  return handlers;
}

}  // namespace tivrel
