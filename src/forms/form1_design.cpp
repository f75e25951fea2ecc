#include "app/author.h"
#include "app/version.h"
#include "controls/hosted.h"
#include "forms/form1.h"

namespace tivrel {

ControlDesign ReadOnlyTextBox(ControlRef name, int tabIndex, int left, int top, int width,
                              int height, std::u16string text) {
  return {.name = std::string(name.name),
          .kind = ControlKind::TextBox,
          .index = name.index,
          .tabIndex = tabIndex,
          .left = left,
          .top = top,
          .width = width,
          .height = height,
          .text = std::move(text),
          .multiLine = true,
          .verticalScrollBar = true,
          .locked = true,
          .backColor = kButtonFace};
}

namespace {

using namespace form1;

// The three buttons share size, row, font, mask and focus look.
ControlDesign Button(ControlRef name, int tab, int left, std::u16string tip, ButtonSettings s) {
  s.font = kSongTi9;
  s.picmaskcolor = 0xFFFFFF;
  s.showfocus = false;
  s.extentX = 2355;
  s.extentY = 873;
  return {.name = std::string(name.name),
          .kind = ControlKind::HostedButton,
          .index = name.index,
          .tabIndex = tab,
          .left = left,
          .top = 4440,
          .width = 1335,
          .height = 495,
          .toolTip = std::move(tip),
          .button = std::move(s)};
}

MenuDesign Item(MenuRef name, std::u16string caption, std::vector<MenuDesign> items = {}) {
  return {.name = std::string(name.name), .caption = std::move(caption), .items = std::move(items)};
}

// The author's address, moving; a click writes to it, Tab never reaches it.
ControlDesign ContactLine() {
  return ControlDesign{
      .name = std::string(kMovingText1.name),
      .kind = ControlKind::MovingText,
      .tabIndex = 4,
      .tabStop = false,  // Tab never starts a mail
      .left = 240,
      .top = 5040,
      .width = 4095,
      .height = 255,
      .toolTip = u"给我来信",
      .moving = MovingTextSettings{.msgchar = u"点此来信：" + std::u16string(kAuthorEmail),
                                   .charcolor = 0xFF8080,
                                   .backcolor = kButtonFace,
                                   .mousepointer = 0,
                                   .font = kSongTi9,
                                   .extentX = 7223,
                                   .extentY = 450}};
}

// The report box's pop-up, and the menu bar.
std::vector<MenuDesign> Form1Menus() {
  MenuDesign tofiles = Item(kTofiles, u"输出", {Item(kCopy, u"复制"), Item(kAllcopy, u"全文复制")});
  tofiles.visible = false;  // only ever the report box's pop-up
  return {
      tofiles,
      Item(kEdit, u"编辑",
           {Item(kSize, u"文本字号",
                 {Item(kBig, u"大"), Item(kMid, u"中"), Item(kSmall, u"小(默认)")})}),
      Item(kGy, u"关于", {Item(kGyll, u"关于岚铃"), Item(kReadme, u"查看ReadeMe")}),
  };
}

FormDesign MakeForm1() {
  FormDesign d{.id = FormId::Form1,
               .name = "Form1",
               .caption = u"岚铃声卡测试仪 " TIVREL_BUILD_TAG "修正版",
               .border = BorderStyle::FixedSingle,
               .showInTaskbar = true,
               .clientWidth = 4680,
               .clientHeight = 5340,
               .left = 5025,
               .top = 3315,
               .icon = ImageId::MainIcon};

  d.controls = {
      Button(kCommand1, 0, 240, u"使用岚铃测试您的声卡",
             {.caption = u"开始测试",
              .picture = ImageId::TestFace,
              .pictureWidth = 15,
              .pictureHeight = 3,
              .icon = ImageId::TestIcon,
              .pr = 1,
              .appearance = 1}),
      Button(kCommand2, 1, 1680, u"关于岚铃声卡测试仪",
             {.caption = u"关于",
              .picture = ImageId::AboutFace,
              .pictureWidth = 90,
              .pictureHeight = 21,
              .icomaskcolor = 0,
              .iconalign = 0}),
      Button(kCommand3, 2, 3120, u"关闭测试仪",
             {.caption = u"  退出",
              .picture = ImageId::ExitFace,
              .pictureWidth = 110,
              .pictureHeight = 19,
              .icon = ImageId::ExitIcon,
              .pr = 5,
              .appearance = 1}),
      [] {
        ControlDesign report = ReadOnlyTextBox(kText1, 3, 240, 240, 4185, 4005);
        report.toolkitMenu = false;  // the report's own menu is the only one
        return report;
      }(),
      ContactLine(),
  };

  d.menus = Form1Menus();
  return d;
}

}  // namespace

const FormDesign& Form1Design() {
  static const FormDesign design = MakeForm1();
  return design;
}

}  // namespace tivrel
