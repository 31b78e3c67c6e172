#include "gui/widgets/TUpDown.h"

#include "core/numeric/Number.h"
#include "gui/widgets/TEditHex.h"

#include <QAccessible>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace edamaki {

TUpDown::TUpDown(int minimum, int maximum, QWidget* parent)
    : QWidget(parent)
    , m_minimum(minimum)
    , m_maximum(maximum)
    , m_position(minimum)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto add_button = [&](Qt::ArrowType arrow, int delta) {
        auto* button = new QToolButton(this);
        button->setAccessibleName(delta > 0 ? QStringLiteral("増やす") : QStringLiteral("減らす"));
        button->setArrowType(arrow);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        connect(button, &QToolButton::clicked, this, [this, delta] { Step(delta); });
        layout->addWidget(button);
        return button;
    };
    UpButton = add_button(Qt::UpArrow, 1);
    DownButton = add_button(Qt::DownArrow, -1);
}

void TUpDown::SetAssociate(TEditHex* field)
{
    m_associate = field;
    // A screen reader tells which field the arrows step: the field's name,
    // from its label.
    if (QAccessibleInterface const* const reader = QAccessible::queryAccessibleInterface(field)) {
        QString const name = reader->text(QAccessible::Name);
        UpButton->setAccessibleDescription(name);
        DownButton->setAccessibleDescription(name);
    }
    connect(field, &QLineEdit::textChanged, this, &TUpDown::FollowText);
    FollowText();
}

void TUpDown::Step(int delta)
{
    m_position = std::clamp(m_position + delta, m_minimum, m_maximum);
    if (m_associate)
        m_associate->SetText(QString::number(m_position));
}

void TUpDown::FollowText()
{
    auto const value = ReadNumber(m_associate->Text().toStdString(), EditNumberForm);
    if (value && *value >= m_minimum && *value <= m_maximum)
        m_position = *value;
}

} // namespace edamaki
