#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QObject>
#include <QUrl>

#include "framework/ansi_codec.h"
#include "platform/linux/qt/qt_services.h"

namespace tivrel::qt {

// Stands in for the user's mail program.
class UrlCatcher : public QObject {
  Q_OBJECT
 public:
  std::vector<QUrl> opened;
 public slots:
  void open(const QUrl& url) { opened.push_back(url); }
};

namespace {

TEST(QtShellTest, TheAnsiUriIsDecodedAndOpenedByTheUsersHandler) {
  UrlCatcher mail;
  QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &mail, "open");
  const auto gbk = MakeGbkCodec();
  QtShell shell(*gbk);
  shell.OpenUri(gbk->Encode(u"mailto:岚铃@example.com"));
  ASSERT_EQ(mail.opened.size(), 1u);
  EXPECT_EQ(mail.opened[0].scheme(), QStringLiteral("mailto"));
  EXPECT_EQ(mail.opened[0].path(), QString::fromUtf8("岚铃@example.com"));
  // A scheme without a handler is no error: nothing happens.
  EXPECT_NO_THROW(shell.OpenUri("tivrel-no-such-scheme:x"));
  EXPECT_EQ(mail.opened.size(), 1u);
  QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
}

}  // namespace
}  // namespace tivrel::qt

#include "services_test.moc"
