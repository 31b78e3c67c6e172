#include "gui/widgets/TURLLabel.h"

#include <QDesktopServices>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QUrl>

namespace edamaki {

TURLLabel::TURLLabel(QWidget* parent)
    : QLabel(parent)
    , m_remembered_color(FontColor())
{
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
}

QColor TURLLabel::FontColor() const
{
    return palette().color(QPalette::Active, QPalette::WindowText);
}

void TURLLabel::SetFontColor(QColor const& color)
{
    if (!m_pointer_inside)
        m_remembered_color = color;
    ShowColor(color);
}

void TURLLabel::ShowColor(QColor const& color)
{
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, color);
    setPalette(colours);
}

void TURLLabel::SetExecutable(bool executable)
{
    m_executable = executable;
}

void TURLLabel::SetHotTrack(bool hot_track)
{
    if (hot_track == m_hot_track)
        return;
    m_hot_track = hot_track;
    update();
}

void TURLLabel::SetHotColor(QColor const& color)
{
    if (color == m_hot_color)
        return;
    m_hot_color = color;
    update();
}

void TURLLabel::SetPushedColor(QColor const& color)
{
    if (color == m_pushed_color)
        return;
    m_pushed_color = color;
    update();
}

void TURLLabel::enterEvent(QEnterEvent* event)
{
    QLabel::enterEvent(event);
    m_pointer_inside = true;
    if (!m_hot_track)
        return;
    m_remembered_color = FontColor();
    ShowColor(m_hot_color);
}

void TURLLabel::leaveEvent(QEvent* event)
{
    QLabel::leaveEvent(event);
    m_pointer_inside = false;
    if (m_hot_track)
        ShowColor(m_remembered_color);
}

void TURLLabel::mousePressEvent(QMouseEvent* event)
{
    QLabel::mousePressEvent(event);
    // Taken, so the release comes back here wherever the pointer goes.
    event->accept();
    emit Pressed();
    if (m_hot_track)
        ShowColor(m_pushed_color);
    // The shell's answer is not reported: a text it can't open does nothing.
    if (m_executable)
        QDesktopServices::openUrl(QUrl::fromUserInput(text()));
}

void TURLLabel::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    event->accept();
    if (!m_hot_track)
        return;
    // Where the button came up: over the label it stays hot until the pointer leaves.
    bool const inside = rect().contains(event->position().toPoint());
    ShowColor(inside ? m_hot_color : m_remembered_color);
}

} // namespace edamaki
