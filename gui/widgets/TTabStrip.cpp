#include "gui/widgets/TTabStrip.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QButtonGroup>
#include <QGridLayout>
#include <QKeyEvent>
#include <QToolButton>

#include <algorithm>

namespace edamaki {

namespace {

// A tab as a screen reader sees it: a page tab named by its caption,
// selected while its page shows; pressing it picks it.
class TabAccessible final : public QAccessibleWidget {
public:
    explicit TabAccessible(QToolButton* tab)
        : QAccessibleWidget(tab, QAccessible::PageTab)
    {
    }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name && Tab()->accessibleName().isEmpty())
            return Tab()->text();
        return QAccessibleWidget::text(kind);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.selectable = true;
        state.selected = Tab()->isChecked();
        return state;
    }

    QStringList actionNames() const override { return QAccessibleWidget::actionNames() << pressAction(); }

    void doAction(QString const& action) override
    {
        if (action == pressAction())
            Tab()->click();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    QToolButton* Tab() const { return static_cast<QToolButton*>(widget()); }
};

QAccessibleInterface* TabStripAccessibleFactory(QString const& class_name, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    if (class_name == QLatin1String(TTabStrip::staticMetaObject.className()))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::PageTabList);
    if (class_name == QLatin1String("QToolButton") && qobject_cast<TTabStrip*>(object->parent()))
        return new TabAccessible(static_cast<QToolButton*>(object));
    return nullptr;
}

} // namespace

TTabStrip::TTabStrip(int tabs_per_row, QWidget* parent)
    : QWidget(parent)
    , m_tabs_per_row(tabs_per_row)
    , m_group(new QButtonGroup(this))
    , m_layout(new QGridLayout(this))
{
    static bool const accessible = (QAccessible::installFactory(&TabStripAccessibleFactory), true);
    Q_UNUSED(accessible);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_group->setExclusive(true);
    connect(m_group, &QButtonGroup::idClicked, this, &TTabStrip::Change);
    connect(m_group, &QButtonGroup::idToggled, this, &TTabStrip::TabToggled);
}

void TTabStrip::AddTab(QString const& caption)
{
    auto* tab = new QToolButton(this);
    tab->setText(caption);
    tab->setCheckable(true);
    tab->setFocusPolicy(Qt::NoFocus);
    tab->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    tab->installEventFilter(this);
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

void TTabStrip::TabToggled(int index, bool checked)
{
    QToolButton* const tab = Tabs.value(index);
    if (!tab)
        return;
    tab->setFocusPolicy(checked ? Qt::TabFocus : Qt::NoFocus);
    if (checked && isAncestorOf(window()->focusWidget()))
        tab->setFocus(Qt::TabFocusReason);
    QAccessible::State changed;
    changed.selected = true;
    QAccessibleStateChangeEvent event(tab, changed);
    QAccessible::updateAccessibility(&event);
}

std::optional<int> TTabStrip::TabForKey(int key) const
{
    int const last = static_cast<int>(Tabs.size()) - 1;
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        return std::max(TabIndex() - 1, 0);
    case Qt::Key_Right:
    case Qt::Key_Down:
        return std::min(TabIndex() + 1, last);
    case Qt::Key_Home:
        return 0;
    case Qt::Key_End:
        return last;
    default:
        return std::nullopt;
    }
}

void TTabStrip::PickTab(int index)
{
    if (index == TabIndex())
        return;
    // The focus moves first, so that whoever hears of the pick finds it on
    // the tabs.
    Tabs[index]->setFocus(Qt::TabFocusReason);
    Tabs[index]->click();
}

bool TTabStrip::eventFilter(QObject* watched, QEvent* event)
{
    auto* const tab = qobject_cast<QToolButton*>(watched);
    if (event->type() != QEvent::KeyPress || !Tabs.contains(tab))
        return QWidget::eventFilter(watched, event);
    auto const* const key = static_cast<QKeyEvent const*>(event);
    std::optional<int> const picked
        = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier ? TabForKey(key->key()) : std::nullopt;
    if (!picked)
        return QWidget::eventFilter(watched, event);
    PickTab(*picked);
    return true;
}

} // namespace edamaki
