#pragma once

// The main window's template menu: every template (see
// core/document/Templates.h), each opening a new source from its text, and
// saving the source as one of the user's own templates.

#include <QString>

#include <optional>

class QAction;
class QMenu;

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
    // the editor does. Asks whether to keep a parent folder line.
    void mSaveTemplateClick();

private:
    // The text to save, the parent folder line left out unless the user keeps
    // it; nullopt when there is nothing to save or the user cancelled.
    std::optional<QString> TemplateText();
    std::optional<QString> AskTemplateName() const;
    // Whether to save under `name`: asks before replacing the user's own
    // template (then `replaced` names it) or standing beside an installed one.
    bool ConfirmName(QString const& name, std::optional<QString>& replaced) const;

    TMainForm& m_form;
};

} // namespace edamaki
