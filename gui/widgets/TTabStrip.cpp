#include "gui/widgets/TTabStrip.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QToolButton>

TTabStrip::TTabStrip(int tabs_per_row, QWidget* parent)
    : QWidget(parent)
    , m_tabs_per_row(tabs_per_row)
    , m_group(new QButtonGroup(this))
    , m_layout(new QGridLayout(this))
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_group->setExclusive(true);
    connect(m_group, &QButtonGroup::idClicked, this, &TTabStrip::Change);
}

void TTabStrip::AddTab(QString const& caption)
{
    auto* tab = new QToolButton(this);
    tab->setText(caption);
    tab->setCheckable(true);
    tab->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto const index = static_cast<int>(Tabs.size());
    m_group->addButton(tab, index);
    m_layout->addWidget(tab, index / m_tabs_per_row, index % m_tabs_per_row);
    Tabs.append(tab);
    if (index == 0)
        tab->setChecked(true);
}

int TTabStrip::TabIndex() const
{
    return m_group->checkedId();
}

void TTabStrip::SetTabIndex(int index)
{
    if (index >= 0 && index < Tabs.size())
        Tabs[index]->setChecked(true);
}
