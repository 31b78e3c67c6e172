#pragma once

// What the find and the replace dialog share: a modeless tool window with the
// search text (at most 255 bytes of Shift-JIS), match case, whole word, the
// find-next button and the close button. Esc and the close button hide it; it
// keeps its text and options for the next time it is shown.

#include "core/search/FindReplace.h"

#include <QDialog>
#include <QString>

#include <initializer_list>

class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace edamaki {

class TSearchDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr std::size_t MaximumTextBytes = 255;

    QString SearchText() const;
    void SetSearchText(QString const& text);
    FindOptions Options() const;
    void SetOptions(FindOptions options);

    // Shows the dialog, or brings it to the front, with its search text selected.
    void ShowModeless();

    QLineEdit* FindText = nullptr;
    QCheckBox* WholeWord = nullptr;
    QCheckBox* MatchCase = nullptr;
    QPushButton* FindNextButton = nullptr;
    QPushButton* CloseButton = nullptr;

signals:
    void FindNextClicked();

protected:
    TSearchDialog(char const* name, QString const& title, QWidget* parent);

    // Keeps a text field within MaximumTextBytes, cutting whole characters.
    static void LimitLength(QLineEdit& field);
    // A labelled text field on `row`; the label's access key focuses the field.
    QLineEdit* AddTextField(int row, char const* name, QString const& label);
    // A button that needs a search text to act.
    void AddSearchButton(QPushButton* button);
    // Tab and Shift+Tab go through `controls` in this order.
    static void SetTabOrder(std::initializer_list<QWidget*> controls);

    virtual bool IsDown() const { return true; }
    virtual void SetDown(bool) { }

    QGridLayout* m_layout = nullptr;

private:
    void UpdateButtons();

    QList<QPushButton*> m_search_buttons;
};

} // namespace edamaki
