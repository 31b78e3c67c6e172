#pragma once

// Qt's own file and folder dialogs as the program shows them: in Japanese
// (Qt's translations, dates in the Japanese style), with every column as wide
// as what it shows, and with a completion that ends with the dialog.

#include <QLocale>

class QCoreApplication;
class QFileDialog;
class QTranslator;

namespace edamaki {

// The locale the program's dialogs speak.
QLocale DialogLocale();

// Makes Japanese the default locale and installs Qt's own Japanese
// translations (qtbase_ja) for the application. Returns the translator, owned
// by the application, or null when the translations are not installed.
QTranslator* UseJapanese(QCoreApplication& application);

// Sets a dialog up before it is first shown; the dialog owns what this adds.
void PrepareFileDialog(QFileDialog& dialog);

} // namespace edamaki
