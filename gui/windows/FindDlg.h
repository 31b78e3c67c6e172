#pragma once

// The find dialog: search text, direction (up or down), match case and whole
// word. Its text and options are the one search state of the main window:
// F3 and Shift+F3 search with them, and the replace dialog copies its own into
// them before each search.

#include "gui/windows/SearchDialog.h"

class QRadioButton;

namespace edamaki {

class TFindDialog : public TSearchDialog {
    Q_OBJECT

public:
    explicit TFindDialog(QWidget* parent);

    QRadioButton* UpButton = nullptr;
    QRadioButton* DownButton = nullptr;

protected:
    bool IsDown() const override;
    void SetDown(bool down) override;
};

} // namespace edamaki
