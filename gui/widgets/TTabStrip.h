#pragma once

// A strip of tabs that wraps onto several rows, a fixed number of tabs to a
// row. Picking a tab raises Change; selecting one from code does not. It
// reads as a tab bar: screen readers hear page tabs, the selected one as
// selected; Tab reaches the selected tab, and the arrow keys (Home, End) pick
// the tab before or after it (the first, the last).

#include <QList>
#include <QWidget>

#include <optional>

class QButtonGroup;
class QGridLayout;
class QToolButton;

namespace edamaki {

class TTabStrip : public QWidget {
    Q_OBJECT

public:
    TTabStrip(int tabs_per_row, QWidget* parent = nullptr);

    void AddTab(QString const& caption);
    int TabIndex() const;
    void SetTabIndex(int index);

    QList<QToolButton*> Tabs;

signals:
    void Change();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Only the selected tab is in the Tab order; it takes the focus from
    // another tab, and readers hear that the selection moved.
    void TabToggled(int index, bool checked);
    // The tab a key moves to (it may be the selected one, at either end), or
    // none when the key is not for the tabs.
    std::optional<int> TabForKey(int key) const;
    void PickTab(int index);

    int m_tabs_per_row = 1;
    QButtonGroup* m_group = nullptr;
    QGridLayout* m_layout = nullptr;
};

} // namespace edamaki
