#pragma once

// A label that draws its caption over two offset copies of itself, a shadow
// and a highlight, and can fill its background with a two-colour gradient,
// colour its text from character to character, and shorten text that doesn't
// fit with an ellipsis. It paints into an off-screen image first, so the
// caption doesn't flicker while it is redrawn.

#include <QColor>
#include <QLabel>

#include <functional>

class QImage;
class QPainter;

namespace edamaki {

// The settings of one offset copy of the text. Each setter calls OnChange
// only when the value differs.
class TShadow {
public:
    TShadow() = default;
    TShadow(QColor const& color, int offset_left, int offset_top);

    bool Visible() const { return m_visible; }
    QColor Color() const { return m_color; }
    int OffsetLeft() const { return m_offset_left; }
    int OffsetTop() const { return m_offset_top; }

    void SetVisible(bool visible);
    void SetColor(QColor const& color);
    void SetOffsetLeft(int offset);
    void SetOffsetTop(int offset);
    // Copies all four values, then calls OnChange once.
    void Assign(TShadow const& other);

    std::function<void()> OnChange;

private:
    void Changed() const;

    bool m_visible = true;
    QColor m_color { 192, 192, 192 };
    int m_offset_left = 1;
    int m_offset_top = 1;
};

class TShadowLabel : public QLabel {
    Q_OBJECT

public:
    enum TEllipsis { elNone, elEnd, elPath };
    enum TTextGradation { tgNone, tg2Colors, tg3Colors };
    enum TTextLayout { tlTop, tlCenter, tlBottom };

    explicit TShadowLabel(QWidget* parent = nullptr);
    TShadowLabel(TShadowLabel const&) = delete;
    TShadowLabel& operator=(TShadowLabel const&) = delete;
    ~TShadowLabel() override = default;

    TEllipsis Ellipsis() const { return m_ellipsis; }
    bool Flickerless() const { return m_flickerless; }
    bool GradateVert() const { return m_gradate_vert; }
    bool Gradation() const { return m_gradation; }
    QColor GradationColor() const { return m_gradation_color; }
    TShadow const& Highlight() const { return m_highlight; }
    TShadow const& Shadow() const { return m_shadow; }
    TShadow& Highlight() { return m_highlight; }
    TShadow& Shadow() { return m_shadow; }
    TTextGradation TextGradation() const { return m_text_gradation; }
    QColor TextGradationColor() const { return m_text_gradation_color; }
    QColor TextMidColor() const { return m_text_mid_color; }
    // The plain label's settings that painting follows.
    QColor Color() const { return m_color; }
    bool Transparent() const { return m_transparent; }
    TTextLayout Layout() const { return m_layout; }
    bool ShowAccelChar() const { return m_show_accel_char; }
    QColor FontColor() const;

    void SetEllipsis(TEllipsis ellipsis);
    void SetFlickerless(bool flickerless);
    void SetGradateVert(bool vertical);
    void SetGradation(bool gradation);
    void SetGradationColor(QColor const& color);
    // Copies the given settings (none: nothing changes).
    void SetHighlight(TShadow const* highlight);
    void SetShadow(TShadow const* shadow);
    void SetTextGradation(TTextGradation gradation);
    void SetTextGradationColor(QColor const& color);
    void SetTextMidColor(QColor const& color);
    void SetColor(QColor const& color);
    void SetTransparent(bool transparent);
    void SetLayout(TTextLayout layout);
    void SetShowAccelChar(bool show);
    void SetFontColor(QColor const& color);

    // A gradient from `start` (top or left) to `end` (bottom or right); a
    // single row or column gets the start colour.
    static QImage GradientImage(QSize size, bool vertical, QColor const& start, QColor const& end);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct TextColors {
        QColor text;
        QColor shadow;
        QColor highlight;
    };

    void PaintLabel(QPainter& painter, bool off_screen) const;
    void PaintBackground(QPainter& painter, bool off_screen) const;
    void PaintGradientText(QPainter& painter, QString const& text, QRect const& area) const;
    // Draws `text` character by character from `start` to `end` beginning at
    // the left edge of `area`; returns the left edge after it.
    int DrawGradientPiece(
        QPainter& painter, QString const& text, QRect area, QColor const& start, QColor const& end) const;
    QString DisplayText() const;
    int DrawingFlags() const;
    QRect TextRect(QString const& text) const;
    TextColors Colors() const;

    TEllipsis m_ellipsis = elNone;
    bool m_flickerless = true;
    bool m_gradate_vert = false;
    bool m_gradation = false;
    QColor m_gradation_color { 0, 0, 255 };
    TShadow m_highlight { QColor(255, 255, 255), -1, -1 };
    TShadow m_shadow;
    TTextGradation m_text_gradation = tgNone;
    QColor m_text_gradation_color { 128, 0, 0 };
    QColor m_text_mid_color { 0, 0, 128 };
    QColor m_color;
    bool m_transparent = false;
    TTextLayout m_layout = tlTop;
    bool m_show_accel_char = true;
};

} // namespace edamaki
