#pragma once

// A one-line field that can be held to whole numbers in decimal or
// hexadecimal form. In numbers-only mode every edit of the user (a typed
// character, Backspace, Delete, a paste or a cut) is followed by a rewrite, so
// the text is always a valid, normalised number; the caret keeps its distance
// from the end of the text. The text rules are the core's NumericText.
//
// Enter is left to the window (its default button) and Tab moves the focus,
// as in any one-line field. The input method is off in numbers-only mode.

#include "core/numeric/NumericText.h"

#include <QLineEdit>

namespace edamaki {

class TEditHex : public QLineEdit {
    Q_OBJECT

public:
    explicit TEditHex(QWidget* parent = nullptr);

    bool FourDigit() const { return m_numeric.FourDigit(); }
    TNumericalPlace MaxPlaces() const { return m_numeric.MaxPlaces(); }
    TNumericalType NumericType() const { return m_numeric.NumericType(); }
    bool NumeralOnly() const { return m_numeric.NumeralOnly(); }
    void SetFourDigit(bool four_digit);
    void SetMaxPlaces(TNumericalPlace max_places);
    void SetNumericType(TNumericalType numeric_type);
    void SetNumeralOnly(bool numeral_only);

    // In numbers-only mode the number without "_", and written as a
    // normalised number (what is not a number shows as zero); otherwise the
    // text as it is.
    QString Text() const;
    void SetText(QString const& value);

    // The text as shown, and shown without any change.
    QString GetRawText() const { return text(); }
    void SetRawText(QString const& text);

    // The form has set the field up: the whole text is selected.
    void Loaded();

private:
    // After an edit of the user, in numbers-only mode.
    void Reformat();
    // Hands the shown text to the text rules.
    void SyncRawText();
    // Runs a property change and shows what it did to the text.
    template<typename Change> void ChangeProperty(Change const& change);

    NumericText m_numeric;
    bool m_reformatting = false;
};

} // namespace edamaki
