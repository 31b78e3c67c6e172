#include "gui/widgets/TShadowLabel.h"

#include <QFont>
#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

namespace {

using edamaki::TShadowLabel;

QColor const Background(0, 128, 0);
QColor const Black(0, 0, 0);
QColor const Grey(128, 128, 128);
QColor const Highlight(255, 255, 0);

// A wide label with big bold strokes, so each copy of the text has pixels of
// its own colour exactly.
struct Label {
    Label()
    {
        QFont font = label.font();
        font.setPixelSize(48);
        font.setBold(true);
        label.setFont(font);
        label.setGeometry(0, 0, 240, 60);
        label.SetColor(Background);
        label.SetFontColor(Black);
    }
    QImage Render() { return label.grab().toImage().convertToFormat(QImage::Format_RGB32); }
    TShadowLabel label;
};

bool Contains(QImage const& image, QColor const& colour)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == colour)
                return true;
    return false;
}

TEST(TShadowLabel, ShadowAndHighlightEachDrawTheirCopy)
{
    Label fixture;
    fixture.label.setText(QStringLiteral("I"));
    fixture.label.Shadow().SetColor(Grey);
    fixture.label.Shadow().SetOffsetLeft(60);
    fixture.label.Highlight().SetColor(Highlight);
    fixture.label.Highlight().SetOffsetLeft(120);
    QImage const painted = fixture.Render();
    EXPECT_TRUE(Contains(painted, Black));
    EXPECT_TRUE(Contains(painted, Grey));
    EXPECT_TRUE(Contains(painted, Highlight));

    fixture.label.Shadow().SetVisible(false);
    fixture.label.Highlight().SetVisible(false);
    QImage const text_only = fixture.Render();
    EXPECT_TRUE(Contains(text_only, Black));
    EXPECT_FALSE(Contains(text_only, Grey));
    EXPECT_FALSE(Contains(text_only, Highlight));
}

TEST(TShadowLabel, DisabledLabelDrawsItsShadowGrey)
{
    Label fixture;
    fixture.label.setText(QStringLiteral("I"));
    fixture.label.Shadow().SetColor(QColor(255, 0, 0));
    fixture.label.Shadow().SetOffsetLeft(60);
    fixture.label.setEnabled(false);
    QImage const painted = fixture.Render();
    EXPECT_TRUE(Contains(painted, Grey));
    EXPECT_FALSE(Contains(painted, QColor(255, 0, 0)));
}

struct GradientCase {
    bool vertical;
    bool flickerless;
};

class TShadowLabelGradient : public ::testing::TestWithParam<GradientCase> { };

TEST_P(TShadowLabelGradient, RunsFromGradationColorToColor)
{
    Label fixture;
    fixture.label.SetGradation(true);
    fixture.label.SetGradateVert(GetParam().vertical);
    fixture.label.SetFlickerless(GetParam().flickerless);
    fixture.label.SetGradationColor(QColor(0, 0, 255));
    fixture.label.SetColor(QColor(255, 0, 0));
    QImage const painted = fixture.Render();
    int const last_x = painted.width() - 1;
    int const last_y = painted.height() - 1;
    QPoint const end = GetParam().vertical ? QPoint(last_x / 2, last_y) : QPoint(last_x, last_y / 2);
    EXPECT_EQ(painted.pixelColor(0, 0), QColor(0, 0, 255));
    EXPECT_EQ(painted.pixelColor(end), QColor(255, 0, 0));
    QColor const middle = painted.pixelColor(end / 2);
    EXPECT_GT(middle.red(), 0);
    EXPECT_GT(middle.blue(), 0);
}

INSTANTIATE_TEST_SUITE_P(TShadowLabel, TShadowLabelGradient,
    ::testing::Values(GradientCase { false, true }, GradientCase { true, true },
        GradientCase { false, false }, GradientCase { true, false }));

TEST(TShadowLabel, GradientOverOneRowIsTheStartColour)
{
    QImage const row = TShadowLabel::GradientImage(QSize(5, 1), true, Qt::blue, Qt::red);
    EXPECT_EQ(row.pixelColor(4, 0), QColor(Qt::blue));
    EXPECT_TRUE(TShadowLabel::GradientImage(QSize(0, 3), false, Qt::blue, Qt::red).isNull());
}

struct TextGradientCase {
    char const* text;
    TShadowLabel::TTextGradation gradation;
    std::vector<QColor> present;
    std::vector<QColor> absent;
};

class TShadowLabelTextGradient : public ::testing::TestWithParam<TextGradientCase> { };

TEST_P(TShadowLabelTextGradient, ColoursTheCharacters)
{
    Label fixture;
    fixture.label.Shadow().SetVisible(false);
    fixture.label.Highlight().SetVisible(false);
    fixture.label.setText(QString::fromUtf8(GetParam().text));
    fixture.label.SetTextGradation(GetParam().gradation);
    fixture.label.SetTextMidColor(QColor(0, 0, 128));
    fixture.label.SetTextGradationColor(QColor(128, 0, 0));
    QImage const painted = fixture.Render();
    for (QColor const& colour : GetParam().present)
        EXPECT_TRUE(Contains(painted, colour)) << colour.name().toStdString();
    for (QColor const& colour : GetParam().absent)
        EXPECT_FALSE(Contains(painted, colour)) << colour.name().toStdString();
}

INSTANTIATE_TEST_SUITE_P(TShadowLabel, TShadowLabelTextGradient,
    ::testing::Values(
        // Two characters: from the font colour to the end colour, even with three colours.
        TextGradientCase {
            "II", TShadowLabel::tg3Colors, { Black, QColor(128, 0, 0) }, { QColor(0, 0, 128) } },
        // Three: the first alone in the font colour, the others from the middle to the end colour.
        TextGradientCase {
            "III", TShadowLabel::tg3Colors, { Black, QColor(0, 0, 128), QColor(128, 0, 0) }, {} },
        TextGradientCase { "II", TShadowLabel::tgNone, { Black }, { QColor(128, 0, 0) } }));

} // namespace
