// The About window: design and its three handlers.
#include "app/author.h"
#include "app/version.h"
#include "forms/about_readme.h"
#include "forms/shared_parts.h"

namespace tivrel {

namespace {

ControlDesign Label(std::string name, int tab, int top, int width, std::u16string text,
                    FontDesign font) {
  return {.name = std::move(name),
          .kind = ControlKind::Label,
          .tabIndex = tab,
          .left = 1080,
          .top = top,
          .width = width,
          .height = 255,
          .text = std::move(text),
          .font = font};
}

// The two elements of Line1 lie on one line: an etched rule, grey under white.
ControlDesign Rule(int index, Colour colour, int width, bool insideSolid) {
  return {.name = "Line1",
          .kind = ControlKind::Line,
          .index = index,
          .left = 120,
          .top = 1200,
          .width = 5400,   // x2
          .height = 1200,  // y2
          .foreColor = colour,
          .foreColorSet = true,
          .lineWidth = width,
          .insideSolid = insideSolid};
}

// The return button, the one way back to the main window.
ControlDesign ReturnButton() {
  return ControlDesign{
      .name = std::string(about::kCommand3.name),
      .kind = ControlKind::HostedButton,
      .tabIndex = 5,
      .left = 3960,
      .top = 1320,
      .width = 1335,
      .height = 375,
      .toolTip = u"返回主界面",
      .button = ButtonSettings{.caption = u"确定",
                               .font = kSongTi9,
                               .picture = ImageId::ReturnFace,
                               .pictureWidth = 125,
                               .pictureHeight = 25,
                               .pictureFrames = 5,  // normal, hot, pressed, focused, disabled
                               .picmaskcolor = 0xFFFFFF,
                               .icomaskcolor = 0,
                               .iconalign = 0,
                               .pr = 9,
                               .fr = 4,
                               .extentX = 2355,
                               .extentY = 661}};
}

// The author's address, moving; a click writes to it.
ControlDesign ContactLine() {
  return ControlDesign{
      .name = std::string(about::kMovingText1.name),
      .kind = ControlKind::MovingText,
      .tabIndex = 6,
      .tabStop = true,  // unlike the main window's: Tab from the return button reaches it
      .left = 240,
      .top = 1560,
      .width = 2175,
      .height = 255,
      .toolTip = u"给我来信",
      .moving = MovingTextSettings{.msgchar = std::u16string(kAuthorEmail),
                                   .charcolor = 0xFF8080,
                                   .backcolor = kButtonFace,
                                   .mousepointer = 0,
                                   .font = kSongTi9,
                                   .extentX = 3836,
                                   .extentY = 450}};
}

FormDesign MakeAbout() {
  FormDesign d{.id = FormId::frmAbout,
               .name = "frmAbout",
               .caption = u"关于岚铃声卡测试仪",
               .border = BorderStyle::FixedDialog,
               .showInTaskbar = false,
               .userCanClose = false,  // the return button is the only way out
               .clientWidth = 5550,
               .clientHeight = 1875,
               .left = 4635,
               .top = 4800,
               .icon = ImageId::AboutIcon,
               .font = kSongTi9};

  const FontDesign songti975{u"宋体", 9.75f, 400, 134};
  d.controls = {
      {.name = "bq",
       .kind = ControlKind::Label,
       .tabIndex = 0,
       .left = 240,
       .top = 1320,
       .width = 3630,
       .height = 225,
       .text = std::u16string(kLegalNotice),
       .font = FontDesign{u"宋体", 10.5f, 400, 134},
       .foreColor = 0x000000,
       .foreColorSet = true},
      {.name = "picIcon",
       .kind = ControlKind::PictureBox,
       .tabIndex = 1,
       .left = 240,
       .top = 240,
       .width = 540,
       .height = 540,
       .toolTip = u"HAHAHA!!!",
       .picture = ImageId::MainIcon,
       .autoSize = true},
      Label("Label1", 2, 240, 3975, u"岚铃声卡测试仪", FontDesign{u"宋体", 9.75f, 700, 134}),
      Label("Label2", 3, 480, 4095, u"版本：" TIVREL_BUILD_TAG " 修正版", songti975),
      [&] {
        ControlDesign author =
            Label("Label3", 4, 720, 4095, u"作者：" + std::u16string(kAuthorName), songti975);
        author.toolTip = std::u16string(kAuthorClass);
        return author;
      }(),
      ReturnButton(),
      ContactLine(),
      Rule(1, 0x808080, 1, true),
      Rule(0, 0xFFFFFF, 2, false),
  };
  return d;
}

void AboutLoad(App& app) {
  app.host().Beep();
  // No Close command in the window menu: the return button is the only way out.
  app.services().windowMenu.RemoveCloseCommand(FormId::frmAbout);
}

void ReturnCommand(App& app) {
  app.Load(FormId::Form1);
  app.Show(FormId::Form1);
  app.Unload(FormId::frmAbout);
}

constexpr ControlRoute kClicks[] = {
    {about::kCommand3, [](App& app, ControlRef) { ReturnCommand(app); }},
};
constexpr ControlRoute kGotFocus[] = {
    {about::kMovingText1, [](App& app, ControlRef) { ContactMail(app); }},
};

}  // namespace

const FormDesign& AboutDesign() {
  static const FormDesign design = MakeAbout();
  return design;
}

const FormHandlers& AboutHandlers() {
  static const FormHandlers handlers{.load = AboutLoad, .click = kClicks, .gotFocus = kGotFocus};
  return handlers;
}

}  // namespace tivrel
