#pragma once

#include <QDialog>
#include <QString>

#include <optional>

class QFileSystemModel;
class QLabel;
class QPushButton;
class QTreeView;

// The folder browser of the Qt dialogs: an instruction above a tree of folders, OK and
// Cancel, and optionally a button that makes a new folder inside the selected one. Only
// folders of the file system can be chosen.
class DialogsFolderBrowser : public QDialog
{
    Q_OBJECT
public:
    DialogsFolderBrowser(QWidget *parent, const QString &caption, const QString &title,
                         bool newFolderButton);
    ~DialogsFolderBrowser() override;

    // Expands the tree down to `folder` and selects it; a missing folder selects nothing.
    void SelectFolder(const QString &folder);
    // The selected folder's absolute path, nullopt when none is selected.
    std::optional<QString> SelectedFolder() const;

private:
    void OnSelectionChanged();
    void OnNewFolder();

    QLabel *m_pTitle = nullptr;           // owned by the dialog (Qt parent)
    QTreeView *m_pTree = nullptr;         // owned by the dialog
    QFileSystemModel *m_pModel = nullptr; // owned by the dialog
    QPushButton *m_pOk = nullptr;         // owned by the dialog
    QPushButton *m_pNewFolder = nullptr;  // owned by the dialog; null without the button
};
