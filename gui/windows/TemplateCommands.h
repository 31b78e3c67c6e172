#pragma once

// The main window's template menu: every template (see
// core/document/Templates.h), each opening a new source from its text, and
// saving the source as one of the user's own templates.

class QAction;
class QMenu;
class QString;

namespace edamaki {

class TMainForm;

class TemplateCommands {
public:
    explicit TemplateCommands(TMainForm& form);

    // Lists the templates there are now, then `save_item`.
    void FillMenu(QMenu& menu, QAction* save_item);
    // The template's text becomes a new source, after the save prompt for
    // an unsaved one; false when it wasn't opened.
    bool OpenTemplate(QString const& path);
    // Asks for a name and saves the source as that template (.fms for a
    // macro source, .txt for a text one), in UTF-8, which holds any text
    // the editor does.
    void mSaveTemplateClick();

private:
    TMainForm& m_form;
};

} // namespace edamaki
