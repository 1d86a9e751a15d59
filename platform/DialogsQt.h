#pragma once

#include "platform/Dialogs.h"

#include <QStringList>

// The dialogs the viewer shows: Qt's message box and save-file dialog, our folder browser.
class DialogsQt : public IDialogs
{
public:
    DialogResult MessageBox(QWidget *owner, const QString &text, MessageBoxButtons buttons,
                            const QString &caption = {}) override;
    std::optional<QString> BrowseForFolder(QWidget *owner,
                                           const FolderBrowserRequest &request) override;
    std::optional<QString> GetSaveFileName(QWidget *owner, const SaveFileRequest &request) override;
    int RunModal(QDialog &dialog) override;

    // "desc|patterns|desc|patterns||" as Qt name filters ("desc (patterns)"), patterns
    // separated by ';' becoming spaces. Pairs without patterns are dropped.
    static QStringList NameFiltersFromWindowsFilter(const QString &filter);
};
