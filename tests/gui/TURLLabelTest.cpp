#include "gui/widgets/TURLLabel.h"
#include "gui/windows/TAboutDlg.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEnterEvent>
#include <QList>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

using edamaki::TAboutDlg;
using edamaki::TURLLabel;

// Catches what the label asks the desktop to open.
class OpenedUrls : public QObject {
    Q_OBJECT

public:
    OpenedUrls()
    {
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "Open");
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "Open");
    }
    ~OpenedUrls() override
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    }
    QList<QUrl> urls;

public slots:
    void Open(QUrl const& url) { urls << url; }
};

QColor const Navy(0, 0, 128);
QColor const Hot(0, 0, 255);
QColor const Pushed(255, 0, 255);

void Enter(QWidget& widget)
{
    QPointF const inside(2, 2);
    QEnterEvent event(inside, inside, widget.mapToGlobal(inside));
    QApplication::sendEvent(&widget, &event);
}

void Leave(QWidget& widget)
{
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(&widget, &event);
}

struct ColourCase {
    char const* name;
    bool hot_track;
    bool executable;
    bool release_inside;
    QColor hover, pressed, released, left;
    int opened;
};

class TURLLabelColours : public ::testing::TestWithParam<ColourCase> { };

TEST_P(TURLLabelColours, FollowThePointerAndTheButton)
{
    ColourCase const& expected = GetParam();
    OpenedUrls opened;
    TURLLabel label;
    label.setText(QStringLiteral("https://edamaki.example.org/"));
    label.setGeometry(0, 0, 220, 12);
    label.SetFontColor(Navy);
    label.SetHotColor(Hot);
    label.SetPushedColor(Pushed);
    label.SetHotTrack(expected.hot_track);
    label.SetExecutable(expected.executable);
    label.show();

    Enter(label);
    EXPECT_EQ(label.FontColor(), expected.hover);
    QTest::mousePress(&label, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(label.FontColor(), expected.pressed);
    EXPECT_EQ(opened.urls.size(), expected.opened) << "the link opens on the press";
    QPoint const release_at = expected.release_inside ? QPoint(6, 6) : QPoint(300, 40);
    QTest::mouseRelease(&label, Qt::RightButton, {}, release_at);
    EXPECT_EQ(label.FontColor(), expected.released);
    Leave(label);
    EXPECT_EQ(label.FontColor(), expected.left);
    if (expected.opened == 1) {
        EXPECT_EQ(opened.urls.value(0), QUrl(QStringLiteral("https://edamaki.example.org/")));
    }
}

INSTANTIATE_TEST_SUITE_P(TURLLabel, TURLLabelColours,
    ::testing::Values(ColourCase { "ReleasedOnIt", true, true, true, Hot, Pushed, Hot, Navy, 1 },
        ColourCase { "DraggedOff", true, true, false, Hot, Pushed, Navy, Navy, 1 },
        ColourCase { "NotExecutable", true, false, true, Hot, Pushed, Hot, Navy, 0 },
        ColourCase { "NoHotTrack", false, true, true, Navy, Navy, Navy, Navy, 1 }),
    [](auto const& info) { return std::string(info.param.name); });

TEST(TAboutDlg, LinkTurnsBlueThenFuchsiaOpensThePageAndReturnsToNavy)
{
    OpenedUrls opened;
    TAboutDlg dialog;
    dialog.show();
    TURLLabel& link = *dialog.URLLabel1;
    EXPECT_EQ(link.FontColor(), Navy);
    Enter(link);
    EXPECT_EQ(link.FontColor(), Hot);
    QTest::mousePress(&link, Qt::LeftButton, {}, QPoint(100, 5));
    EXPECT_EQ(link.FontColor(), Pushed);
    ASSERT_EQ(opened.urls.size(), 1);
    EXPECT_EQ(opened.urls.front(), QUrl(TAboutDlg::WebPage));
    QTest::mouseRelease(&link, Qt::LeftButton, {}, QPoint(100, 5));
    EXPECT_TRUE(dialog.isVisible()) << "the box stays open";
    Leave(link);
    EXPECT_EQ(link.FontColor(), Navy);
}

} // namespace

#include "TURLLabelTest.moc"
