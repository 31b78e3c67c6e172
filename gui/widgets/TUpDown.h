#pragma once

// A pair of arrow buttons bound to a numeric field: the arrows step the
// field's number by one within the range, and the position follows the
// field's text while the text is a number within the range (out of range it
// keeps its last value). Stepping stops at the ends of the range.

#include <QWidget>

class QToolButton;

namespace edamaki {

class TEditHex;

class TUpDown : public QWidget {
    Q_OBJECT

public:
    TUpDown(int minimum, int maximum, QWidget* parent = nullptr);

    // Binds the spinner to `field` and takes its position from the field; the
    // field is to have its name (its label) by then.
    void SetAssociate(TEditHex* field);

    int Min() const { return m_minimum; }
    int Max() const { return m_maximum; }
    int Position() const { return m_position; }

    void StepUp() { Step(1); }
    void StepDown() { Step(-1); }

    QToolButton* UpButton = nullptr;
    QToolButton* DownButton = nullptr;

private:
    void Step(int delta);
    void FollowText();

    int m_minimum = 0;
    int m_maximum = 100;
    int m_position = 0;
    TEditHex* m_associate = nullptr;
};

} // namespace edamaki
