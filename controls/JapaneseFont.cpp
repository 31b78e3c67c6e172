#include "controls/JapaneseFont.h"

#include <QStringList>

namespace edamaki {

QFont JapaneseFont(QString const& family, int pixel_size)
{
    QFont font;
    QStringList families { family };
    // The same faces under their Latin names, then the free Japanese families.
    if (family == QStringLiteral("ＭＳ Ｐゴシック"))
        families << QStringLiteral("MS PGothic");
    else if (family == QStringLiteral("ＭＳ ゴシック"))
        families << QStringLiteral("MS Gothic");
    families << QStringLiteral("IPAPGothic") << QStringLiteral("IPAGothic")
             << QStringLiteral("Noto Sans CJK JP") << QStringLiteral("Noto Sans JP")
             << QStringLiteral("VL PGothic") << QStringLiteral("TakaoPGothic");
    font.setFamilies(families);
    font.setPixelSize(pixel_size);
    return font;
}

} // namespace edamaki
