#pragma once

// A strip of tabs that wraps onto several rows, a fixed number of tabs to a
// row. Picking a tab raises Change; selecting one from code does not.

#include <QList>
#include <QWidget>

class QButtonGroup;
class QGridLayout;
class QToolButton;

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

private:
    int m_tabs_per_row = 1;
    QButtonGroup* m_group = nullptr;
    QGridLayout* m_layout = nullptr;
};
