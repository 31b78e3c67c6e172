#pragma once

// The main window's commands on source files: open a source file, save the
// source, clear it, and the prompt to save unsaved changes before a command
// (or closing the window) would lose them. Owns the open and save dialogs.

#include "core/text/Encoding.h"

#include <QString>

#include <optional>

class QComboBox;
class QFileDialog;

namespace edamaki {

class TMainForm;
struct SourceFileError;
struct Document;

class SourceFileCommands {
public:
    // Creates the open and save dialogs as children of `form`.
    explicit SourceFileCommands(TMainForm& form);

    // Loads a source file into the editor; false (after telling the user) when
    // it can't be read, and the editor keeps its text.
    bool OpenSource(QString const& file_name);
    // Loads a file's text as a new source that was never saved (a template),
    // one undo step as a clear is; false (after telling the user) when it
    // can't be read.
    bool OpenSourceAsNew(QString const& file_name);
    // The save prompt: true when the command may go on.
    bool AskToSave();
    // True when the window may close: nothing unsaved, or the prompt allows it.
    bool FormCloseQuery();

    void mOpen1Click();
    void mSave1Click();
    void mClearClick();
    // The editor's text was just replaced by a new source that was never
    // saved (an import): one undo step, as a clear is, and saved in `format`.
    void StartNewSource(DetectedEncoding format);

private:
    enum class SaveOutcome {
        Saved,
        Cancelled,
        NothingToSave,
        Failed,
    };

    void CreateDialogs();
    bool Load(QString const& file_name, bool as_new);
    SaveOutcome SaveSource();
    void AddEncodingChoice();
    DetectedEncoding ChosenEncoding() const;
    // The save dialog, starting on `format`; the chosen file name, or
    // nullopt when cancelled.
    std::optional<QString> AskSaveName(DetectedEncoding format);
    // Tells why the text can't be saved in the document's encoding; true when
    // the user goes on to save it in UTF-8.
    bool OfferUtf8(SourceFileError const& error);

    TMainForm& m_form;
    Document& m_document;
    QFileDialog* OpenDialog1 = nullptr;
    QFileDialog* SaveDialog1 = nullptr;
    QComboBox* SaveEncoding = nullptr;
    QString m_last_save_name;
};

} // namespace edamaki
