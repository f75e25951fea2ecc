// The three window designs: what a typo in the data would break.
#include <gtest/gtest.h>

#include "app/author.h"
#include "forms/about_readme.h"
#include "forms/form1.h"
#include "forms/readme_text.h"
#include "framework/text.h"

namespace tivrel {
namespace {

std::vector<std::string> TabNames(const FormDesign& d) {
  std::vector<std::string> names;
  for (const auto* c : d.TabOrder()) {
    names.push_back(c->index == kNoIndex ? c->name
                                         : c->name + "(" + std::to_string(c->index) + ")");
  }
  return names;
}

TEST(Designs, ClientAreasInPixelsAt96Dpi) {
  EXPECT_EQ(TwipsToPixels(Form1Design().clientWidth, 96), 312);
  EXPECT_EQ(TwipsToPixels(Form1Design().clientHeight, 96), 356);
  EXPECT_EQ(TwipsToPixels(ReadmeDesign().clientWidth, 96), 309);
  EXPECT_EQ(TwipsToPixels(ReadmeDesign().clientHeight, 96), 226);
  EXPECT_EQ(TwipsToPixels(AboutDesign().clientWidth, 96), 370);
  EXPECT_EQ(TwipsToPixels(AboutDesign().clientHeight, 96), 125);
  EXPECT_EQ(TwipsToPixels(1440, 144), 144);
  EXPECT_EQ(TwipsToPixels(4680, 120), 390);
}

TEST(Designs, TabOrders) {
  EXPECT_EQ(TabNames(Form1Design()),
            (std::vector<std::string>{"Command1(2)", "Command2(1)", "Command3(3)", "Text1",
                                      "MovingText1"}));
  EXPECT_FALSE(Form1Design().Find("MovingText1")->tabStop) << "Tab never starts a mail";
  EXPECT_EQ(TabNames(AboutDesign()),
            (std::vector<std::string>{"bq", "picIcon", "Label1", "Label2", "Label3", "Command3",
                                      "MovingText1"}));
  EXPECT_TRUE(AboutDesign().Find("MovingText1")->tabStop);
  EXPECT_EQ(TabNames(ReadmeDesign()), std::vector<std::string>{"Text1"});
}

TEST(Designs, HostedControlExtentsMatchTheirSizes) {
  for (const FormDesign* d : {&Form1Design(), &AboutDesign()}) {
    for (const auto& c : d->controls) {
      if (c.button) {
        EXPECT_EQ(c.button->extentX, TwipsToHimetric(c.width)) << c.name;
        EXPECT_EQ(c.button->extentY, TwipsToHimetric(c.height)) << c.name;
      }
      if (c.moving) {
        EXPECT_EQ(c.moving->extentX, TwipsToHimetric(c.width)) << c.name;
        EXPECT_EQ(c.moving->extentY, TwipsToHimetric(c.height)) << c.name;
      }
    }
  }
}

TEST(Designs, MainWindowMenuTree) {
  const auto& menus = Form1Design().menus;
  ASSERT_EQ(menus.size(), 3u);
  EXPECT_EQ(menus[0].name, "tofiles");
  EXPECT_FALSE(menus[0].visible) << "never on the menu bar";
  std::vector<std::u16string> bar;
  for (const auto& m : menus) {
    if (m.visible) bar.push_back(m.caption);
  }
  EXPECT_EQ(bar, (std::vector<std::u16string>{u"编辑", u"关于"}));
  EXPECT_EQ(menus[0].items[0].caption, u"复制");
  EXPECT_EQ(menus[0].items[1].caption, u"全文复制");
  const auto& size = menus[1].items.at(0);
  EXPECT_EQ(size.caption, u"文本字号");
  ASSERT_EQ(size.items.size(), 3u);
  EXPECT_EQ(size.items[0].name, "big");
  EXPECT_EQ(size.items[2].caption, u"小(默认)");
  EXPECT_EQ(menus[2].items[0].caption, u"关于岚铃");
  EXPECT_EQ(menus[2].items[1].caption, u"查看ReadeMe");
}

TEST(Designs, CaptionsAndButtons) {
  EXPECT_EQ(Form1Design().caption, u"岚铃声卡测试仪 Build0730修正版");
  EXPECT_EQ(AboutDesign().caption, u"关于岚铃声卡测试仪");
  EXPECT_EQ(ReadmeDesign().caption, u"ReadMe");
  EXPECT_EQ(Form1Design().Find("Command3", 3)->button->caption, u"  退出");
  EXPECT_EQ(Form1Design().Find("Command1", 2)->button->caption, u"开始测试");
  EXPECT_EQ(Form1Design().Find("Command1", 0), nullptr);
  EXPECT_EQ(AboutDesign().Find("Command3")->button->caption, u"确定");
  EXPECT_EQ(AboutDesign().Find("Label2")->text, u"版本：Build0730 修正版");
  EXPECT_EQ(AboutDesign().Find("Command3")->button->pictureFrames, 5);
  EXPECT_EQ(Form1Design().Find("Command1", 2)->button->pictureFrames, 1);
  EXPECT_FALSE(AboutDesign().showInTaskbar);
  EXPECT_EQ(AboutDesign().border, BorderStyle::FixedDialog);
}

TEST(Designs, OneContactAddressEverywhere) {
  const std::u16string email(kAuthorEmail);
  EXPECT_EQ(Form1Design().Find("MovingText1")->moving->msgchar, u"点此来信：" + email);
  EXPECT_EQ(AboutDesign().Find("MovingText1")->moving->msgchar, email);
  EXPECT_NE(email.find(u"@example."), std::u16string::npos) << "a reserved example domain";
  EXPECT_EQ(AboutDesign().Find("Label3")->text, u"作者：" + std::u16string(kAuthorName));
  EXPECT_NE(ReadmeText().find(std::u16string(36, u' ') + std::u16string(kAuthorName) + u"\r\n"),
            std::u16string::npos);
}

TEST(Designs, ReadMeTextIsFourteenLinesOf353GbkBytes) {
  const std::u16string text = ReadmeText();
  EXPECT_EQ(MakeGbkCodec()->Encode(text).size(), 353u);
  EXPECT_EQ(ReadmeDesign().Find("Text1")->text, text);
  std::vector<std::u16string> lines;
  size_t start = 0;
  for (size_t p; (p = text.find(u"\r\n", start)) != std::u16string::npos; start = p + 2) {
    lines.push_back(text.substr(start, p - start));
  }
  EXPECT_EQ(start, text.size()) << "the text ends with CR LF";
  ASSERT_EQ(lines.size(), 14u);
  auto gbk = MakeGbkCodec();
  for (size_t i = 0; i < 13; ++i) EXPECT_LE(gbk->Encode(lines[i]).size(), 42u) << i + 1;
  EXPECT_EQ(gbk->Encode(lines[13]).size(), 43u);
  EXPECT_EQ(lines[2], std::u16string(42, u'*'));
  EXPECT_EQ(lines[6].back(), u'名');
  EXPECT_EQ(lines[7].front(), u'称');
  EXPECT_EQ(lines[13], std::u16string(36, u' ') + u"2003.7 ");
}

TEST(Designs, AWindowIsMovedAsLittleAsNeededToLieInsideTheScreen) {
  struct Case {
    ScreenRect window, area, expected;
  };
  const Case cases[] = {
      {{10, 10, 100, 50}, {0, 0, 800, 600}, {10, 10, 100, 50}},           // inside: unchanged
      {{750, 580, 100, 50}, {0, 0, 800, 600}, {700, 550, 100, 50}},       // off right and bottom
      {{-30, -5, 100, 50}, {0, 0, 800, 600}, {0, 0, 100, 50}},            // off left and top
      {{50, 50, 900, 700}, {0, 0, 800, 600}, {0, 0, 900, 700}},           // larger: corner inside
      {{100, 100, 100, 50}, {1280, 40, 800, 560}, {1280, 100, 100, 50}},  // another monitor
  };
  for (const Case& c : cases) EXPECT_EQ(KeepInside(c.window, c.area), c.expected);
}

}  // namespace
}  // namespace tivrel
