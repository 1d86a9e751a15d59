#pragma once

#include "library/widgets/CCatalogueController.h"
#include "library/widgets/CSelectMonthDlg.h"
#include "platform/DialogsScripted.h"
#include "ui/AppMainWindow.h"

#include <QMap>
#include <QString>

#include <cstdint>

// The main window as the catalogue commands see it, for their tests: its fields, buttons and
// scripted dialogs, all open to the test.

class EnglishWindow : public IAppMainWindow
{
public:
    std::uint16_t GetLanguage() const override { return 1033; }
};

class CatalogueTestHost : public CCatalogueController::IHost
{
public:
    QString GetLibraryRoot() const override { return root; }
    void SetLibraryRoot(const QString &value) override { root = value; }
    bool GetFolderMode() const override { return folderMode; }
    void SetFolderMode(bool value) override { folderMode = value; }
    std::int64_t GetFilterDate() const override { return filterDate; }
    void SetFilterDate(std::int64_t value) override { filterDate = value; }
    int GetCurrentItem() const override { return currentItem; }
    bool GetButtonCheck(int id) const override { return buttons.value(id, false); }
    void SetButtonCheck(int id, bool checked) override { buttons[id] = checked; }
    bool SelectCardDrive() override
    {
        ++driveSelections;
        if (driveToSelect.isEmpty())
            return false;
        root = driveToSelect;
        folderMode = false;
        return true;
    }
    IDialogs &GetDialogs() override { return dialogs; }
    QWidget *GetDialogOwner() override { return nullptr; }
    CSelectMonthDlg &GetSelectMonthDlg() override { return monthDialog; }

    QString root;
    bool folderMode = false;
    std::int64_t filterDate = 0;
    int currentItem = -1;
    QMap<int, bool> buttons;
    QString driveToSelect;
    int driveSelections = 0;
    DialogsScripted dialogs;
    CSelectMonthDlg monthDialog;
};
