#pragma once

// The replace dialog: search text, replace text, match case and whole word;
// find next, replace and replace all. It always searches down.

#include "gui/windows/SearchDialog.h"

namespace edamaki {

class TReplaceDialog : public TSearchDialog {
    Q_OBJECT

public:
    explicit TReplaceDialog(QWidget* parent);

    QString ReplaceText() const;

    QLineEdit* ReplaceTextField = nullptr;
    QPushButton* ReplaceButton = nullptr;
    QPushButton* ReplaceAllButton = nullptr;

signals:
    // Replace (all false) or replace all (all true) was pressed.
    void ReplaceClicked(bool all);
};

} // namespace edamaki
