#pragma once

// A label that behaves like a link: its text changes colour while the pointer
// is over it and while a mouse button is held on it, it shows a hand pointer,
// and, when executable, a press on it opens its own text through the desktop
// (a web address opens in the browser).

#include <QColor>
#include <QLabel>

namespace edamaki {

class TURLLabel : public QLabel {
    Q_OBJECT

public:
    explicit TURLLabel(QWidget* parent = nullptr);

    bool Executable() const { return m_executable; }
    bool HotTrack() const { return m_hot_track; }
    QColor HotColor() const { return m_hot_color; }
    QColor PushedColor() const { return m_pushed_color; }
    QColor FontColor() const;

    void SetExecutable(bool executable);
    void SetHotTrack(bool hot_track);
    void SetHotColor(QColor const& color);
    void SetPushedColor(QColor const& color);
    // While the pointer is away, the colour to return to as well.
    void SetFontColor(QColor const& color);

signals:
    // Any mouse button pressed on the label, before the link reacts.
    void Pressed();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void ShowColor(QColor const& color);

    bool m_executable = false;
    bool m_hot_track = true;
    QColor m_hot_color { 0, 255, 255 };
    QColor m_pushed_color { 255, 0, 0 };
    // The font colour the label had when the pointer last entered it.
    QColor m_remembered_color;
    bool m_pointer_inside = false;
};

} // namespace edamaki
