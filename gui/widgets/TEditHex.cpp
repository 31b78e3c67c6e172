#include "gui/widgets/TEditHex.h"

namespace edamaki {

namespace {

// Numbers are ASCII: every other character becomes "?", which the rules strip
// or treat as no number. One byte per UTF-16 unit, so positions carry over.
std::string ToAsciiBytes(QString const& text)
{
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (QChar const character : text)
        bytes += character.unicode() < 0x80 ? static_cast<char>(character.unicode()) : '?';
    return bytes;
}

QString FromAsciiBytes(std::string const& bytes)
{
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace

TEditHex::TEditHex(QWidget* parent)
    : QLineEdit(parent)
{
    connect(this, &QLineEdit::textEdited, this, [this] {
        if (NumeralOnly() && !m_reformatting)
            Reformat();
    });
}

template<typename Change> void TEditHex::ChangeProperty(Change const& change)
{
    SyncRawText();
    change();
    if (NumeralOnly())
        SetRawText(FromAsciiBytes(m_numeric.GetRawText()));
}

void TEditHex::SetFourDigit(bool four_digit)
{
    ChangeProperty([&] { m_numeric.SetFourDigit(four_digit); });
}

void TEditHex::SetMaxPlaces(TNumericalPlace max_places)
{
    ChangeProperty([&] { m_numeric.SetMaxPlaces(max_places); });
}

void TEditHex::SetNumericType(TNumericalType numeric_type)
{
    ChangeProperty([&] { m_numeric.SetNumericType(numeric_type); });
}

void TEditHex::SetNumeralOnly(bool numeral_only)
{
    ChangeProperty([&] { m_numeric.SetNumeralOnly(numeral_only); });
    setAttribute(Qt::WA_InputMethodEnabled, !numeral_only);
}

QString TEditHex::Text() const
{
    if (!NumeralOnly())
        return text();
    return QString(text()).remove(u'_');
}

void TEditHex::SetText(QString const& value)
{
    if (!NumeralOnly()) {
        setText(value);
        return;
    }
    m_numeric.SetText(ToAsciiBytes(value));
    SetRawText(FromAsciiBytes(m_numeric.GetRawText()));
}

void TEditHex::SetRawText(QString const& text)
{
    if (text != this->text())
        setText(text);
}

void TEditHex::Loaded()
{
    selectAll();
}

void TEditHex::SyncRawText()
{
    m_numeric.SetRawText(ToAsciiBytes(text()));
}

void TEditHex::Reformat()
{
    int const caret = cursorPosition();
    int anchor = caret;
    if (hasSelectedText())
        anchor = selectionStart() == caret ? selectionEnd() : selectionStart();
    SyncRawText();
    m_numeric.SetSelection(anchor, caret);
    m_numeric.Reformat();

    m_reformatting = true;
    SetRawText(FromAsciiBytes(m_numeric.GetRawText()));
    m_reformatting = false;
    int const new_anchor = m_numeric.SelectionStart();
    int const new_caret = m_numeric.SelectionEnd();
    if (new_anchor == new_caret)
        setCursorPosition(new_caret);
    else
        setSelection(new_anchor, new_caret - new_anchor);
}

} // namespace edamaki
