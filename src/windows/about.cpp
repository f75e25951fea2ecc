// The About window: design and its three handlers.
#include "app/author.h"
#include "app/forms.h"
#include "app/version.h"

namespace tivrel {

namespace {

ControlDesign Label(std::string name, int tab, int left, int top, int width, int height,
                    std::u16string text, FontDesign font) {
  ControlDesign c;
  c.name = std::move(name);
  c.kind = ControlKind::Label;
  c.tabIndex = tab;
  c.left = left;
  c.top = top;
  c.width = width;
  c.height = height;
  c.text = std::move(text);
  c.font = font;
  return c;
}

ControlDesign Rule(int index, Colour colour, int width, bool insideSolid) {
  ControlDesign c;
  c.name = "Line1";
  c.kind = ControlKind::Line;
  c.index = index;
  c.left = 120;
  c.top = 1200;
  c.width = 5400;  // x2
  c.height = 1200;  // y2
  c.foreColor = colour;
  c.foreColorSet = true;
  c.lineWidth = width;
  c.insideSolid = insideSolid;
  return c;
}

FormDesign MakeAbout() {
  FormDesign d;
  d.id = FormId::frmAbout;
  d.name = "frmAbout";
  d.caption = u"关于岚铃声卡测试仪";
  d.border = BorderStyle::FixedDialog;
  d.maxButton = d.minButton = false;
  d.showInTaskbar = false;
  d.clientWidth = 5550;
  d.clientHeight = 1875;
  d.left = 4635;
  d.top = 4800;
  d.icon = ImageId::AboutIcon;
  d.font = FontDesign{u"宋体", 9.0f, 400, 134};

  const FontDesign songti9{u"宋体", 9.0f, 400, 134};
  const FontDesign songti975{u"宋体", 9.75f, 400, 134};

  ControlDesign bq = Label("bq", 0, 240, 1320, 3630, 225, std::u16string(kLegalNotice),
                           FontDesign{u"宋体", 10.5f, 400, 134});
  bq.foreColor = 0x000000;
  bq.foreColorSet = true;

  ControlDesign pic;
  pic.name = "picIcon";
  pic.kind = ControlKind::PictureBox;
  pic.tabIndex = 1;
  pic.left = 240;
  pic.top = 240;
  pic.width = 540;
  pic.height = 540;
  pic.picture = ImageId::MainIcon;
  pic.autoSize = true;
  pic.toolTip = u"HAHAHA!!!";

  ControlDesign title = Label("Label1", 2, 1080, 240, 3975, 255, u"岚铃声卡测试仪",
                              FontDesign{u"宋体", 9.75f, 700, 134});
  ControlDesign version =
      Label("Label2", 3, 1080, 480, 4095, 255, u"版本：" TIVREL_BUILD_TAG " 修正版", songti975);
  ControlDesign author = Label("Label3", 4, 1080, 720, 4095, 255,
                               u"作者：" + std::u16string(kAuthorName), songti975);
  author.toolTip = std::u16string(kAuthorClass);

  ControlDesign ret;
  ret.name = "Command3";
  ret.kind = ControlKind::HostedButton;
  ret.tabIndex = 5;
  ret.left = 3960;
  ret.top = 1320;
  ret.width = 1335;
  ret.height = 375;
  ret.toolTip = u"返回主界面";
  ButtonSettings s;
  s.caption = u"确定";
  s.font = songti9;
  s.picture = ImageId::ReturnFace;
  s.pictureWidth = 125;
  s.pictureHeight = 25;
  s.pictureFrames = 5;  // normal, hot, pressed, focused, disabled
  s.picmaskcolor = 0xFFFFFF;
  s.icomaskcolor = 0;
  s.iconalign = 0;
  s.fr = 4;
  s.pr = 9;
  s.extentX = 2355;
  s.extentY = 661;
  ret.button = s;

  ControlDesign moving;
  moving.name = "MovingText1";
  moving.kind = ControlKind::MovingText;
  moving.tabIndex = 6;
  moving.tabStop = true;
  moving.left = 240;
  moving.top = 1560;
  moving.width = 2175;
  moving.height = 255;
  moving.toolTip = u"给我来信";
  MovingTextSettings m;
  m.msgchar = std::u16string(kAuthorEmail);
  m.charcolor = 0xFF8080;
  m.backcolor = kButtonFace;
  m.mousepointer = 0;
  m.font = songti9;
  m.extentX = 3836;
  m.extentY = 450;
  moving.moving = m;

  d.controls = {bq,  pic,    title,
                version, author, ret,
                moving,  Rule(1, 0x808080, 1, true), Rule(0, 0xFFFFFF, 2, false)};
  return d;
}

void AboutLoad(App& app) {
  app.host().Beep();
  const uintptr_t window = app.host().NativeHandle(FormId::frmAbout);
  // No Close command in the window menu: the return button is the only way out.
  User32Api& user32 = app.services().user32;
  (void)user32.RemoveMenu(user32.GetSystemMenu(window, 0), kScClose, kMfRemove);
}

void AboutClick(App& app, std::string_view control, int /*index*/) {
  if (control != "Command3") return;
  app.Load(FormId::Form1);
  app.Show(FormId::Form1);
  app.Unload(FormId::frmAbout);
}

void AboutGotFocus(App& app, std::string_view control) {
  if (control == "MovingText1") ContactMail(app);
}

}  // namespace

const FormDesign& AboutDesign() {
  static const FormDesign design = MakeAbout();
  return design;
}

const FormHandlers& AboutHandlers() {
  static const FormHandlers handlers{AboutLoad, AboutClick, nullptr, AboutGotFocus, nullptr};
  return handlers;
}

}  // namespace tivrel
