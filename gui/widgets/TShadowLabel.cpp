#include "gui/widgets/TShadowLabel.h"
#include "gui/qt/QtShiftJis.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace edamaki {

// --- TShadow ---------------------------------------------------------------

TShadow::TShadow(QColor const& color, int offset_left, int offset_top)
    : m_color(color)
    , m_offset_left(offset_left)
    , m_offset_top(offset_top)
{
}

void TShadow::Changed() const
{
    if (OnChange)
        OnChange();
}

void TShadow::SetVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    Changed();
}

void TShadow::SetColor(QColor const& color)
{
    if (color == m_color)
        return;
    m_color = color;
    Changed();
}

void TShadow::SetOffsetLeft(int offset)
{
    if (offset == m_offset_left)
        return;
    m_offset_left = offset;
    Changed();
}

void TShadow::SetOffsetTop(int offset)
{
    if (offset == m_offset_top)
        return;
    m_offset_top = offset;
    Changed();
}

void TShadow::Assign(TShadow const& other)
{
    m_visible = other.m_visible;
    m_color = other.m_color;
    m_offset_left = other.m_offset_left;
    m_offset_top = other.m_offset_top;
    Changed();
}

// --- Helpers ---------------------------------------------------------------

namespace {

// The characters of `text`; a pair of surrogates stays one character.
QStringList Characters(QString const& text)
{
    QStringList characters;
    for (qsizetype index = 0; index < text.size(); ++index) {
        qsizetype length = 1;
        if (text.at(index).isHighSurrogate() && index + 1 < text.size()
            && text.at(index + 1).isLowSurrogate())
            length = 2;
        characters << text.mid(index, length);
        index += length - 1;
    }
    return characters;
}

qsizetype ShiftJisLength(QString const& character)
{
    return static_cast<qsizetype>(QStringToShiftJisForReading(character).size());
}

int Blend(int start, int end, int step, int steps)
{
    // Rounded to nearest, halves to even.
    return static_cast<int>(std::nearbyint(start + static_cast<double>(end - start) * step / steps));
}

QColor BlendColor(QColor const& start, QColor const& end, int step, int steps)
{
    if (steps <= 0)
        return start;
    return QColor(Blend(start.red(), end.red(), step, steps), Blend(start.green(), end.green(), step, steps),
        Blend(start.blue(), end.blue(), step, steps));
}

} // namespace

// --- TShadowLabel ------------------------------------------------------------

TShadowLabel::TShadowLabel(QWidget* parent)
    : QLabel(parent)
    , m_color(palette().color(QPalette::Window))
{
    m_highlight.OnChange = [this] { update(); };
    m_shadow.OnChange = [this] { update(); };
}

QColor TShadowLabel::FontColor() const
{
    return palette().color(QPalette::Active, QPalette::WindowText);
}

void TShadowLabel::SetEllipsis(TEllipsis ellipsis)
{
    if (ellipsis == m_ellipsis)
        return;
    m_ellipsis = ellipsis;
    update();
}

void TShadowLabel::SetFlickerless(bool flickerless)
{
    m_flickerless = flickerless;
}

void TShadowLabel::SetGradateVert(bool vertical)
{
    if (vertical == m_gradate_vert)
        return;
    m_gradate_vert = vertical;
    update();
}

void TShadowLabel::SetGradation(bool gradation)
{
    if (gradation == m_gradation)
        return;
    m_gradation = gradation;
    update();
}

void TShadowLabel::SetGradationColor(QColor const& color)
{
    if (color == m_gradation_color)
        return;
    m_gradation_color = color;
    update();
}

void TShadowLabel::SetHighlight(TShadow const* highlight)
{
    if (highlight)
        m_highlight.Assign(*highlight);
}

void TShadowLabel::SetShadow(TShadow const* shadow)
{
    if (shadow)
        m_shadow.Assign(*shadow);
}

void TShadowLabel::SetTextGradation(TTextGradation gradation)
{
    if (gradation == m_text_gradation)
        return;
    m_text_gradation = gradation;
    update();
}

void TShadowLabel::SetTextGradationColor(QColor const& color)
{
    if (color == m_text_gradation_color)
        return;
    m_text_gradation_color = color;
    if (m_text_gradation != tgNone)
        update();
}

void TShadowLabel::SetTextMidColor(QColor const& color)
{
    if (color == m_text_mid_color)
        return;
    m_text_mid_color = color;
    if (m_text_gradation == tg3Colors)
        update();
}

void TShadowLabel::SetColor(QColor const& color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void TShadowLabel::SetTransparent(bool transparent)
{
    if (transparent == m_transparent)
        return;
    m_transparent = transparent;
    update();
}

void TShadowLabel::SetLayout(TTextLayout layout)
{
    if (layout == m_layout)
        return;
    m_layout = layout;
    update();
}

void TShadowLabel::SetShowAccelChar(bool show)
{
    if (show == m_show_accel_char)
        return;
    m_show_accel_char = show;
    update();
}

void TShadowLabel::SetFontColor(QColor const& color)
{
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, color);
    setPalette(colours);
}

QImage TShadowLabel::GradientImage(QSize size, bool vertical, QColor const& start, QColor const& end)
{
    if (size.width() <= 0 || size.height() <= 0)
        return {};
    QImage image(size, QImage::Format_RGB888);
    if (vertical) {
        for (int row = 0; row < size.height(); ++row) {
            QColor const colour = BlendColor(start, end, row, size.height() - 1);
            for (int column = 0; column < size.width(); ++column)
                image.setPixelColor(column, row, colour);
        }
        return image;
    }
    for (int column = 0; column < size.width(); ++column)
        image.setPixelColor(column, 0, BlendColor(start, end, column, size.width() - 1));
    for (int row = 1; row < size.height(); ++row)
        std::copy_n(image.constScanLine(0), image.bytesPerLine(), image.scanLine(row));
    return image;
}

// --- Painting ----------------------------------------------------------------

void TShadowLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!m_flickerless || m_transparent) {
        PaintLabel(painter, false);
        return;
    }
    QImage buffer(size(), QImage::Format_RGB888);
    {
        QPainter buffer_painter(&buffer);
        PaintLabel(buffer_painter, true);
    }
    painter.drawImage(0, 0, buffer);
}

QString TShadowLabel::DisplayText() const
{
    QString text = this->text();
    if (text.isEmpty() || (m_show_accel_char && text == QStringLiteral("&")))
        text += u' ';
    if (m_ellipsis == elNone || wordWrap())
        return text;
    Qt::TextElideMode const mode = m_ellipsis == elEnd ? Qt::ElideRight : Qt::ElideMiddle;
    return QFontMetrics(font()).elidedText(text, mode, width(), DrawingFlags());
}

int TShadowLabel::DrawingFlags() const
{
    int flags = static_cast<int>(alignment() & Qt::AlignHorizontal_Mask) | Qt::TextExpandTabs;
    if (wordWrap())
        flags |= Qt::TextWordWrap;
    if (m_show_accel_char)
        flags |= Qt::TextShowMnemonic;
    return flags;
}

QRect TShadowLabel::TextRect(QString const& text) const
{
    QRect const client = rect();
    int const text_height = QFontMetrics(font()).boundingRect(client, DrawingFlags(), text).height();
    if (m_layout == tlCenter)
        return client.translated(0, (client.height() - text_height) / 2);
    if (m_layout == tlBottom)
        return client.translated(0, client.height() - text_height);
    return client;
}

TShadowLabel::TextColors TShadowLabel::Colors() const
{
    if (isEnabled())
        return { FontColor(), m_shadow.Color(), m_highlight.Color() };
    // The button shadow and button highlight colours of the desktop.
    return { palette().color(QPalette::Active, QPalette::Dark), QColor(128, 128, 128),
        palette().color(QPalette::Active, QPalette::Light) };
}

void TShadowLabel::PaintBackground(QPainter& painter, bool off_screen) const
{
    if (m_transparent)
        return;
    if (!m_gradation) {
        painter.fillRect(rect(), m_color);
        return;
    }
    if (off_screen) {
        painter.drawImage(0, 0, GradientImage(size(), m_gradate_vert, m_gradation_color, m_color));
        return;
    }
    // A small gradient stretched over the label.
    QSize const small = m_gradate_vert ? QSize(1, height()) : QSize(width(), height() / 20 + 1);
    painter.drawImage(rect(), GradientImage(small, m_gradate_vert, m_gradation_color, m_color));
}

void TShadowLabel::PaintLabel(QPainter& painter, bool off_screen) const
{
    PaintBackground(painter, off_screen);
    painter.setFont(font());
    QString const text = DisplayText();
    QRect const area = TextRect(text);
    int const flags = DrawingFlags();
    TextColors const colours = Colors();
    if (m_shadow.Visible()) {
        painter.setPen(colours.shadow);
        painter.drawText(area.translated(m_shadow.OffsetLeft(), m_shadow.OffsetTop()), flags, text);
    }
    if (m_highlight.Visible()) {
        painter.setPen(colours.highlight);
        painter.drawText(area.translated(m_highlight.OffsetLeft(), m_highlight.OffsetTop()), flags, text);
    }
    if (m_text_gradation != tgNone && Characters(text).size() > 1) {
        PaintGradientText(painter, text, area);
        return;
    }
    painter.setPen(colours.text);
    painter.drawText(area, flags, text);
}

void TShadowLabel::PaintGradientText(QPainter& painter, QString const& text, QRect const& area) const
{
    QStringList const characters = Characters(text);
    QColor const start = FontColor();
    if (m_text_gradation == tg2Colors || characters.size() == 2) {
        DrawGradientPiece(painter, text, area, start, m_text_gradation_color);
        return;
    }
    // Split at the middle byte of the Shift-JIS text, never inside a character:
    // the first part takes every character that starts within the first half.
    qsizetype total_bytes = 0;
    for (QString const& character : characters)
        total_bytes += ShiftJisLength(character);
    qsizetype const half = total_bytes / 2;
    QString first;
    qsizetype start_byte = 0;
    qsizetype count = 0;
    for (; count < characters.size() && start_byte < half; ++count) {
        first += characters.at(count);
        start_byte += ShiftJisLength(characters.at(count));
    }
    QString const rest = text.mid(first.size());
    QRect next = area;
    next.setLeft(DrawGradientPiece(painter, first, area, start, m_text_mid_color));
    if (characters.size() - count == 1) {
        DrawGradientPiece(painter, rest, next, m_text_gradation_color, m_text_gradation_color);
        return;
    }
    DrawGradientPiece(painter, rest, next, m_text_mid_color, m_text_gradation_color);
}

int TShadowLabel::DrawGradientPiece(
    QPainter& painter, QString const& text, QRect area, QColor const& start, QColor const& end) const
{
    QFontMetrics const metrics(font());
    int const flags = DrawingFlags();
    QStringList const characters = Characters(text);
    if (characters.size() == 1) {
        painter.setPen(start);
        painter.drawText(area, flags, text);
        return area.left() + metrics.horizontalAdvance(text);
    }
    int left = area.left();
    int const last = static_cast<int>(characters.size()) - 1;
    for (int index = 0; index <= last; ++index) {
        QString const& character = characters.at(index);
        QRect const box(left, area.top(), metrics.horizontalAdvance(character), area.height());
        painter.setPen(BlendColor(start, end, index, last));
        painter.drawText(box, flags, character);
        left = box.right() + 1;
    }
    return left;
}

} // namespace edamaki
