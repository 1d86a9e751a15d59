#pragma once

#include <QString>

#include <memory>
#include <optional>

class QDialog;
class QWidget;

// The system's dialogs as the rest of the viewer sees them: message boxes, the folder browser,
// the save-file dialog and running one of our own dialogs modally. The viewer uses Qt's
// dialogs (CreateDialogs); tests use DialogsScripted, which answers from a script so no
// person is needed.

// Answers, numbered like the dialog results the callers compare against.
enum class DialogResult {
    None = 0, // the dialog could not be shown
    Ok = 1,
    Cancel = 2,
};

// Buttons of a message box. Message boxes of this system never show an icon.
enum class MessageBoxButtons {
    Ok,
    OkCancel,
};

struct FolderBrowserRequest {
    QString title;                // the instruction shown above the folder tree ("Select Folder")
    QString caption;              // the window caption ("Browse Folders")
    QString initialFolder;        // preselected folder; empty or missing selects nothing
    bool newFolderButton = false; // offer "make new folder" (the newer browser style)
};

struct SaveFileRequest {
    QString caption;       // empty: the toolkit's default caption
    QString initialFolder; // empty: the toolkit's default folder
    QString defaultName;   // file name proposed in the name field
    // Windows-style filter: pairs of description and patterns, '|'-separated, ending in "||"
    // ("jpeg file (*.jpg)|*.jpg||").
    QString filter;
    QString defaultExtension; // appended when the typed name has none; empty: nothing added
    bool overwritePrompt = true;
};

class IDialogs
{
public:
    virtual ~IDialogs() = default;

    // A modal message box owned by `owner` (may be null). An empty caption uses the
    // application's display name. OK-only boxes answer Ok unless they could not be shown.
    virtual DialogResult MessageBox(QWidget *owner, const QString &text, MessageBoxButtons buttons,
                                    const QString &caption = {}) = 0;

    // The folder browser: an existing folder's absolute path, or nullopt when cancelled.
    virtual std::optional<QString> BrowseForFolder(QWidget *owner,
                                                   const FolderBrowserRequest &request) = 0;

    // The save-file dialog: the chosen file's absolute path, or nullopt when cancelled.
    virtual std::optional<QString> GetSaveFileName(QWidget *owner,
                                                   const SaveFileRequest &request) = 0;

    // Runs one of the viewer's own dialogs modally and returns its result code
    // (QDialog::Accepted or QDialog::Rejected).
    virtual int RunModal(QDialog &dialog) = 0;
};

// Qt's dialogs.
std::unique_ptr<IDialogs> CreateDialogs();
