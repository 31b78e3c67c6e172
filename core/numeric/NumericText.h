#pragma once

// The text rules of the numeric edit field TEditHex: a one-line field that can
// be restricted to whole numbers in decimal or hexadecimal form. In
// numbers-only mode the field rewrites its text after every typed character,
// so the text is always a valid, normalised number: stray characters go,
// leading zeros go, an out-of-range or empty entry becomes zero, a
// hexadecimal value shows HexDigits digits behind a "$", and digits can be
// grouped by four with "_". The caret keeps its distance from the end of the
// text through each rewrite.
//
// NumericText holds everything of the field but the native window: the
// properties, the displayed text (Shift-JIS bytes) and the selection (byte
// offsets). How the TEditHex widget drives it:
// - It keeps a NumericText, whose constructor sets the field's defaults.
//   Alignment stays with the widget (it is only about the native window).
// - Whenever its text changes by other means than the calls below (a paste, the
//   Delete key), it passes the displayed text with SetRawText. Text that cannot
//   be converted to Shift-JIS may be passed with "?" in place of those
//   characters (Utf8ToShiftJisForReading): in numbers-only mode it is dropped.
// - After every typed character (Backspace included), once the character is
//   in the text: SetRawText and SetSelection with the displayed text and the
//   selection (anchor and caret, in either order), then Reformat, then show
//   GetRawText() and set the selection back from SelectionStart() and
//   SelectionEnd(). Reformat does nothing outside numbers-only mode.
// - The Text property: Text() reads, SetText() writes; after SetText show
//   GetRawText().
// - The property setters (SetFourDigit, SetMaxPlaces, SetNumericType,
//   SetNumeralOnly): call them, then show GetRawText() (they may rewrite it).
// - After loading from the form, the widget selects its whole text.

#include <cstdint>
#include <string>
#include <string_view>

namespace edamaki {

enum class TNumericalPlace {
    places2,
    places4,
    places8,
};

enum class TNumericalType {
    Decimal,
    HexDecimal,
};

// 2, 4 or 8 hexadecimal digits.
std::int32_t HexDigitsFor(TNumericalPlace places);

class NumericText {
public:
    NumericText() = default;

    // Properties. Each setter does nothing when the value does not change.
    bool FourDigit() const { return m_four_digit; }
    TNumericalPlace MaxPlaces() const { return m_max_places; }
    TNumericalType NumericType() const { return m_numeric_type; }
    bool NumeralOnly() const { return m_numeral_only; }
    std::int32_t HexDigits() const { return m_hex_digits; }

    // In numbers-only mode the displayed value is rendered again in the new
    // form (a text that is not a number at that moment becomes zero).
    void SetFourDigit(bool four_digit);
    // Sets HexDigits; a value that needs more digits becomes "$" and zeros.
    void SetMaxPlaces(TNumericalPlace max_places);
    void SetNumericType(TNumericalType numeric_type);
    // Turning it on normalises the displayed text and renders its value in
    // the current type; turning it off leaves the text as it is.
    void SetNumeralOnly(bool numeral_only);

    // The Text property. Reading in numbers-only mode gives the displayed
    // text without "_". Writing in numbers-only mode shows the value
    // normalised and grouped (a "$" put in front first in hexadecimal type);
    // nothing is stripped, so what is not a valid number shows as zero.
    // Otherwise the text is shown as it is.
    std::string Text() const;
    void SetText(std::string_view value);

    // The displayed text exactly as shown; SetRawText shows a text without
    // any change (the selection is kept, limited to the new text).
    std::string const& GetRawText() const { return m_text; }
    void SetRawText(std::string_view text);

    // Selection as two byte offsets; either may be the larger one.
    int SelectionStart() const { return m_selection_start; }
    int SelectionEnd() const { return m_selection_end; }
    void SetSelection(int start, int end);

    // After a typed character, in numbers-only mode: strips what cannot be
    // part of a number of the current type, normalises and groups the text,
    // and keeps both ends of the selection at their distance from the end of
    // the text (within the new text).
    void Reformat();

    // Deletes every character from 0x20 up that is not a digit (so also "-").
    // Control characters stay, and make the number invalid later.
    static std::string StripDecimal(std::string_view text);
    // The same, keeping the hexadecimal digits (so "$" and "_" go too).
    static std::string StripHex(std::string_view text);
    // The normal form of a number: "$" and HexDigits upper-case digits for a
    // text beginning with "$", else decimal without leading zeros, magnitude
    // at most 2147483647. Anything invalid (the empty text, "-" alone, too
    // many digits, stray characters) gives zero in the same form.
    std::string NormalizeNumber(std::string_view text) const;
    // With FourDigit, "_" between groups of four digits from the right; a
    // leading "$" or "-" is set aside first. Without FourDigit, unchanged.
    std::string GroupDigits(std::string_view text) const;
    // Deletes every "_".
    static std::string UngroupDigits(std::string_view text);

private:
    std::string Render(std::int32_t value) const;
    void RenderAgain();

    bool m_four_digit = false;
    TNumericalPlace m_max_places = TNumericalPlace::places8;
    TNumericalType m_numeric_type = TNumericalType::HexDecimal;
    bool m_numeral_only = false;
    std::int32_t m_hex_digits = 8;

    std::string m_text;
    int m_selection_start = 0;
    int m_selection_end = 0;
};

} // namespace edamaki
