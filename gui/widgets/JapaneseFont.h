#pragma once

// Fonts of the windows: the family a window asks for first, then the
// Japanese families found on a Linux desktop, so Japanese text never falls
// back to boxes.

#include <QFont>
#include <QString>

namespace edamaki {

// The family the windows ask for first, and the one of the source editor.
inline QString const ProportionalFamily = QStringLiteral("ＭＳ Ｐゴシック");
inline QString const FixedPitchFamily = QStringLiteral("ＭＳ ゴシック");

// `family` first, then the proportional IPA and Noto CJK families.
QFont JapaneseFont(QString const& family, int pixel_size);

} // namespace edamaki
