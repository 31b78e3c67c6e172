#include "gui/widgets/JapaneseFont.h"

#include <QStringList>

namespace edamaki {

QFont JapaneseFont(QString const& family, int pixel_size)
{
    QFont font;
    QStringList families { family };
    // The same faces under their Latin names, then the free Japanese families:
    // fixed-pitch ones for the fixed-pitch face, proportional ones otherwise.
    if (family == FixedPitchFamily) {
        families << QStringLiteral("MS Gothic") << QStringLiteral("IPAGothic")
                 << QStringLiteral("Noto Sans Mono CJK JP") << QStringLiteral("VL Gothic")
                 << QStringLiteral("TakaoGothic") << QStringLiteral("monospace");
        font.setStyleHint(QFont::TypeWriter);
    } else {
        if (family == ProportionalFamily)
            families << QStringLiteral("MS PGothic");
        families << QStringLiteral("IPAPGothic") << QStringLiteral("IPAGothic")
                 << QStringLiteral("Noto Sans CJK JP") << QStringLiteral("Noto Sans JP")
                 << QStringLiteral("VL PGothic") << QStringLiteral("TakaoPGothic");
    }
    font.setFamilies(families);
    font.setPixelSize(pixel_size);
    return font;
}

} // namespace edamaki
