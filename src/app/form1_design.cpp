#include "app/author.h"
#include "app/forms.h"
#include "controls/hosted.h"

namespace tivrel {

namespace {

FormDesign MakeForm1() {
  FormDesign d;
  d.id = FormId::Form1;
  d.name = "Form1";
  d.caption = u"岚铃声卡测试仪 Build0730修正版";
  d.border = BorderStyle::FixedSingle;
  d.maxButton = d.minButton = false;
  d.showInTaskbar = true;
  d.clientWidth = 4680;
  d.clientHeight = 5340;
  d.left = 5025;
  d.top = 3315;
  d.icon = ImageId::MainIcon;

  const FontDesign songti{u"宋体", 9.0f, 400, 134};

  auto button = [&](std::string name, int index, int tab, int left, std::u16string caption,
                    std::u16string tip) {
    ControlDesign c;
    c.name = std::move(name);
    c.kind = ControlKind::HostedButton;
    c.index = index;
    c.tabIndex = tab;
    c.left = left;
    c.top = 4440;
    c.width = 1335;
    c.height = 495;
    c.toolTip = std::move(tip);
    ButtonSettings s;
    s.caption = std::move(caption);
    s.font = songti;
    s.picmaskcolor = 0xFFFFFF;
    s.showfocus = false;
    s.extentX = 2355;
    s.extentY = 873;
    c.button = s;
    return c;
  };

  ControlDesign test = button("Command1", 2, 0, 240, u"开始测试", u"使用岚铃测试您的声卡");
  test.button->picture = ImageId::TestFace;
  test.button->pictureWidth = 15;
  test.button->pictureHeight = 3;
  test.button->icon = ImageId::TestIcon;
  test.button->pr = 1;
  test.button->appearance = 1;

  ControlDesign about = button("Command2", 1, 1, 1680, u"关于", u"关于岚铃声卡测试仪");
  about.button->picture = ImageId::AboutFace;
  about.button->pictureWidth = 90;
  about.button->pictureHeight = 21;
  about.button->icomaskcolor = 0;
  about.button->iconalign = 0;

  ControlDesign exit = button("Command3", 3, 2, 3120, u"  退出", u"关闭测试仪");
  exit.button->picture = ImageId::ExitFace;
  exit.button->pictureWidth = 110;
  exit.button->pictureHeight = 19;
  exit.button->icon = ImageId::ExitIcon;
  exit.button->pr = 5;
  exit.button->appearance = 1;

  ControlDesign text;
  text.name = "Text1";
  text.kind = ControlKind::TextBox;
  text.tabIndex = 3;
  text.left = 240;
  text.top = 240;
  text.width = 4185;
  text.height = 4005;
  text.multiLine = true;
  text.verticalScrollBar = true;
  text.locked = true;
  text.backColor = kButtonFace;

  ControlDesign moving;
  moving.name = "MovingText1";
  moving.kind = ControlKind::MovingText;
  moving.tabIndex = 4;
  moving.tabStop = false;
  moving.left = 240;
  moving.top = 5040;
  moving.width = 4095;
  moving.height = 255;
  moving.toolTip = u"给我来信";
  MovingTextSettings m;
  m.msgchar = u"点此来信：" + std::u16string(kAuthorEmail);
  m.charcolor = 0xFF8080;
  m.backcolor = kButtonFace;
  m.mousepointer = 0;
  m.font = songti;
  m.extentX = 7223;
  m.extentY = 450;
  moving.moving = m;

  d.controls = {test, about, exit, text, moving};

  auto item = [](std::string name, std::u16string caption, std::vector<MenuDesign> items = {}) {
    return MenuDesign{std::move(name), std::move(caption), true, true, std::move(items)};
  };
  MenuDesign tofiles = item("tofiles", u"输出", {item("copy", u"复制"), item("allcopy", u"全文复制")});
  tofiles.visible = false;  // only ever the report box's pop-up
  d.menus = {
      tofiles,
      item("edit", u"编辑",
           {item("size", u"文本字号",
                 {item("big", u"大"), item("mid", u"中"), item("small", u"小(默认)")})}),
      item("gy", u"关于", {item("gyll", u"关于岚铃"), item("readme", u"查看ReadeMe")}),
  };
  return d;
}

}  // namespace

const FormDesign& Form1Design() {
  static const FormDesign design = MakeForm1();
  return design;
}

}  // namespace tivrel
