#pragma once

// The main window's folder structure import: the user chooses a folder on
// disk, the folders under it become the source (a text source, one line for
// each innermost folder), and the folders left out or unreadable are named.

namespace edamaki {

class TMainForm;
struct FolderImport;

class FolderImportCommand {
public:
    explicit FolderImportCommand(TMainForm& form);

    void mGetFolderClick();

private:
    // Names the folders an import left out or could not read.
    void ReportImportNotices(FolderImport const& import);

    TMainForm& m_form;
};

} // namespace edamaki
