#include "library/widgets/CCatalogueController.h"

#include "library/CCatalogue.h"
#include "library/CRecordingEntry.h"
#include "library/widgets/CCellCheckBox.h"
#include "library/widgets/CConfigListCtrl.h"
#include "library/widgets/CSelectMonthDlg.h"
#include "library/widgets/LibraryWidgetsLogging.h"
#include "platform/Dialogs.h"
#include "platform/FileOperations.h"
#include "ui/CTextTable.h"
#include "ui/ControlIds.h"

#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <array>
#include <memory>

using namespace ControlIds;

namespace
{
struct CategoryButton {
    int type;
    int mainId;
    int panelId;
};
// In the order the refresh reads them back: All, Normal, Event, Motion.
constexpr std::array<CategoryButton, 4> kCategoryButtons{{
    {CCatalogue::TypeAll, IDC_FILE_ALL, IDC_PANEL_FILE_ALL},
    {CCatalogue::TypeNormal, IDC_FILE_NORMAL, IDC_PANEL_FILE_NORMAL},
    {CCatalogue::TypeEvent, IDC_FILE_EVENT, IDC_PANEL_FILE_EVENT},
    {CCatalogue::TypeMotion, IDC_FILE_MOTION, IDC_PANEL_FILE_MOTION},
}};

int NormaliseType(int type)
{
    return type >= CCatalogue::TypeAll && type <= CCatalogue::TypeMotion ? type
                                                                         : CCatalogue::TypeAll;
}

// One row's texts by column; column 3 is the check cell's text.
using RowTexts = std::array<QString, CConfigListCtrl::kFileListColumns.size()>;

RowTexts TextsOf(const CRecordingEntry &entry)
{
    RowTexts texts;
    for (std::size_t column = 0; column < texts.size(); ++column)
        texts[column] = entry.ColumnText(static_cast<int>(column));
    return texts;
}

RowTexts TextsOf(const CConfigListCtrl &list, int row)
{
    RowTexts texts;
    for (std::size_t column = 0; column < texts.size(); ++column)
        texts[column] = list.GetItemText(row, static_cast<int>(column));
    return texts;
}

// Appends a row at `row`, cells of later rows shifted first, with a new check box cell in
// column 3 holding the row's check text.
void AppendRow(CConfigListCtrl &list, int row, const RowTexts &texts)
{
    list.ShiftRows(row, true);
    const int at = list.InsertItem(row, texts[CConfigListCtrl::kColumnName]);
    for (int column : {CConfigListCtrl::kColumnPath, CConfigListCtrl::kColumnDate,
                       CConfigListCtrl::kColumnSize, CConfigListCtrl::kColumnFullDate})
        list.SetItemText(at, column, texts[static_cast<std::size_t>(column)]);
    CCellCheckBox *cell = list.SetCheckCell(at, std::make_unique<CCellCheckBox>());
    const QString &check = texts[CConfigListCtrl::kColumnCheck];
    if (cell != nullptr && !check.isEmpty() && check != cell->GetText())
        list.SetCellText(cell, check);
}
} // namespace

CCatalogueController::CCatalogueController(CConfigListCtrl &mainList, IHost &host)
    : m_mainList(mainList), m_host(host)
{
    m_mainList.SetCurrentItemSource([this] { return m_host.GetCurrentItem(); });
}

CCatalogueController::~CCatalogueController()
{
    m_mainList.SetCurrentItemSource({});
    if (m_pPanelList != nullptr)
        m_pPanelList->SetCurrentItemSource({});
}

void CCatalogueController::SetPanelList(CConfigListCtrl *panelList)
{
    if (m_pPanelList != nullptr)
        m_pPanelList->SetCurrentItemSource({});
    m_pPanelList = panelList;
    if (m_pPanelList == nullptr)
        return;
    m_pPanelList->SetCurrentItemSource([this] { return m_host.GetCurrentItem(); });

    // A list that joins late starts with the main list's rows, check states and selection.
    m_pPanelList->SetRedraw(false);
    m_pPanelList->DeleteAllItems();
    for (int row = 0; row < m_mainList.GetItemCount(); ++row)
        AppendRow(*m_pPanelList, row, TextsOf(m_mainList, row));
    m_pPanelList->SelectItem(m_mainList.GetSelectedItem());
    m_pPanelList->SetRedraw(true);
}

// ------------------------------------------------------------------------------- catalogue

bool CCatalogueController::RefreshCatalogue(int type, int dateFilter)
{
    // 1. Empty both lists, cells first.
    EmptyLists();

    // 2. Only the button of this type stays checked, here and on the panel.
    SetCategoryButtons(NormaliseType(type));

    // 3. The first checked category decides the token.
    const int checkedType = GetCheckedCategoryType();
    if (checkedType == 0)
        return true;

    // 4. and 5. Scan the library's folder.
    const QString folder =
        CCatalogue::FolderToScan(m_host.GetLibraryRoot(), m_host.GetFolderMode());
    ScanFolder(folder, CCatalogue::CategoryToken(checkedType), dateFilter);

    // 6. One sort at the end; names start with date and time, so this is chronological.
    m_mainList.SortItems(CConfigListCtrl::kColumnName, true);
    if (PanelExists())
        m_pPanelList->SortItems(CConfigListCtrl::kColumnName, true);
    return true;
}

void CCatalogueController::ScanFolder(const QString &folder, const QString &categoryToken,
                                      int dateFilter)
{
    if (folder.isEmpty())
        return;
    m_mainList.SetRedraw(false);
    if (PanelExists())
        m_pPanelList->SetRedraw(false);
    int row = m_mainList.GetItemCount();
    const QDateTime filterDate = QDateTime::fromSecsSinceEpoch(m_host.GetFilterDate());
    CCatalogue::ScanFolder(folder, categoryToken, dateFilter, filterDate,
                           [&](CRecordingEntry &&entry) {
                               const RowTexts texts = TextsOf(entry);
                               AppendRow(m_mainList, row, texts);
                               if (PanelExists())
                                   AppendRow(*m_pPanelList, row, texts);
                               ++row;
                           });
    m_mainList.SetRedraw(true);
    if (PanelExists())
        m_pPanelList->SetRedraw(true);
    qCDebug(lcLibraryWidgets) << "listed" << row << "recordings of" << folder;
}

void CCatalogueController::EmptyLists()
{
    m_mainList.DeleteAllItems();
    if (PanelExists())
        m_pPanelList->DeleteAllItems();
}

// --------------------------------------------------------------------------------- buttons

void CCatalogueController::SetCategoryButtons(int type)
{
    for (const CategoryButton &button : kCategoryButtons) {
        m_host.SetButtonCheck(button.mainId, false);
        if (PanelExists())
            m_host.SetButtonCheck(button.panelId, false);
    }
    for (const CategoryButton &button : kCategoryButtons) {
        if (button.type != type)
            continue;
        m_host.SetButtonCheck(button.mainId, true);
        if (PanelExists())
            m_host.SetButtonCheck(button.panelId, true);
    }
}

int CCatalogueController::GetCheckedCategoryType() const
{
    for (const CategoryButton &button : kCategoryButtons)
        if (m_host.GetButtonCheck(button.mainId))
            return button.type;
    return 0;
}

void CCatalogueController::OnCategoryButton(int type)
{
    type = NormaliseType(type);
    // 1. Another category shows unchecked rows: Check all no longer holds.
    m_host.SetButtonCheck(IDC_CHECK_ALL, false);
    if (PanelExists())
        m_host.SetButtonCheck(IDC_PANEL_CHECK_ALL, false);

    // 2. The pressed button alone is checked.
    SetCategoryButtons(type);

    // 3. Without a library, the drive is chosen first.
    if (m_host.GetLibraryRoot().isEmpty()) {
        if (!m_host.SelectCardDrive())
            return;
        if (m_host.GetLibraryRoot().isEmpty())
            return;
    }

    // 4.
    RefreshCatalogue(type, m_host.GetButtonCheck(IDC_CALENDAR) ? 1 : 0);
}

void CCatalogueController::OnDateFilterButton()
{
    auto setDateButtons = [this](bool checked) {
        m_host.SetButtonCheck(IDC_CALENDAR, checked);
        if (PanelExists())
            m_host.SetButtonCheck(IDC_PANEL_CALENDAR, checked);
    };

    if (!m_host.GetButtonCheck(IDC_CALENDAR)) {
        // Turned off: every date again. The panel's button follows, so both agree.
        if (PanelExists())
            m_host.SetButtonCheck(IDC_PANEL_CALENDAR, false);
        if (const int type = GetCheckedCategoryType(); type != 0)
            RefreshCatalogue(type, 0);
        return;
    }

    CSelectMonthDlg &dialog = m_host.GetSelectMonthDlg();
    if (dialog.DoModal(m_host.GetDialogs()) != QDialog::Accepted) {
        setDateButtons(false); // the list stays as it was
        return;
    }
    m_host.SetFilterDate(dialog.GetChosenDate());
    if (const int type = GetCheckedCategoryType(); type != 0)
        RefreshCatalogue(type, 1);
    setDateButtons(true);
}

void CCatalogueController::SetCheckAll(CConfigListCtrl &list, bool checked)
{
    const QString text = checked ? QStringLiteral("1") : QStringLiteral("0");
    for (int row = 0; row < list.GetItemCount(); ++row)
        if (CCellCtrl *cell = list.GetCell(row, CConfigListCtrl::kColumnCheck))
            list.SetCellText(cell, text);
}

void CCatalogueController::OnCheckAllButton()
{
    const bool checked = m_host.GetButtonCheck(IDC_CHECK_ALL);
    SetCheckAll(m_mainList, checked);
    if (PanelExists())
        SetCheckAll(*m_pPanelList, checked);
    m_host.SetButtonCheck(IDC_CHECK_ALL, checked);
    if (PanelExists())
        m_host.SetButtonCheck(IDC_PANEL_CHECK_ALL, checked);
    m_mainList.update();
}

void CCatalogueController::OnFolderButton()
{
    auto clearFolderButtons = [this] {
        m_host.SetFolderMode(false);
        m_host.SetButtonCheck(IDC_FOLDER, false);
        if (PanelExists())
            m_host.SetButtonCheck(IDC_PANEL_FOLDER, false);
    };
    if (!m_host.GetButtonCheck(IDC_FOLDER)) {
        clearFolderButtons(); // the root and the list stay as they are
        return;
    }

    const CTextTable texts;
    FolderBrowserRequest request;
    request.title = texts.GetText(QStringLiteral("FOLDERDLG_CONTENTS"));
    request.caption = texts.GetText(QStringLiteral("FOLDERDLG_TITLE"));
    request.initialFolder = QDir::homePath(); // there is no "C:\" to start from
    const std::optional<QString> folder =
        m_host.GetDialogs().BrowseForFolder(m_host.GetDialogOwner(), request);
    if (!folder || folder->isEmpty()) {
        clearFolderButtons();
        return;
    }

    m_host.SetLibraryRoot(*folder);
    m_host.SetFolderMode(true);
    const int dateFilter = m_host.GetButtonCheck(IDC_CALENDAR) ? 1 : 0;
    int type = GetCheckedCategoryType();
    if (type == 0) {
        type = CCatalogue::TypeAll;
        m_host.SetButtonCheck(IDC_FILE_ALL, true);
    }
    RefreshCatalogue(type, dateFilter);
    if (PanelExists())
        m_host.SetButtonCheck(IDC_PANEL_FOLDER, true);
}

// ---------------------------------------------------------------------------------- clicks

void CCatalogueController::MirrorClick(const CConfigListCtrl &from, CConfigListCtrl &to, int row)
{
    const QString text = from.GetItemText(row, CConfigListCtrl::kColumnCheck);
    if (CCellCtrl *cell = to.GetCell(row, CConfigListCtrl::kColumnCheck))
        to.SetCellText(cell, text);
    to.ClearSelection();
    // A click beside the rows selects nothing in the other list either.
    if (row >= 0)
        to.SelectItem(row);
}

void CCatalogueController::OnFileListClick(int row)
{
    if (PanelExists())
        MirrorClick(m_mainList, *m_pPanelList, row);
}

void CCatalogueController::OnPanelFileListClick(int row)
{
    if (PanelExists())
        MirrorClick(*m_pPanelList, m_mainList, row);
}

void CCatalogueController::SelectRow(int row)
{
    m_mainList.ClearSelection();
    m_mainList.SelectItem(row);
    if (PanelExists()) {
        m_pPanelList->ClearSelection();
        m_pPanelList->SelectItem(row);
    }
}

void CCatalogueController::RepaintLists()
{
    m_mainList.update();
    if (PanelExists())
        m_pPanelList->update();
}

// ------------------------------------------------------------------------- save and delete

namespace
{
// The wait cursor for the life of the object.
class WaitCursor
{
public:
    WaitCursor()
    {
        if (qobject_cast<QApplication *>(QCoreApplication::instance()))
            QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~WaitCursor()
    {
        if (qobject_cast<QApplication *>(QCoreApplication::instance()))
            QApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};
} // namespace

bool CCatalogueController::IsChecked(int row) const
{
    return m_mainList.GetItemText(row, CConfigListCtrl::kColumnCheck) == QStringLiteral("1");
}

int CCatalogueController::FindRowByPath(const QString &path) const
{
    if (path.isEmpty())
        return -1;
    for (int row = 0; row < m_mainList.GetItemCount(); ++row)
        if (m_mainList.GetItemText(row, CConfigListCtrl::kColumnPath) == path)
            return row;
    return -1;
}

bool CCatalogueController::IsInsideLibrary(const QString &path) const
{
    // The folder the entry itself lives in, links resolved, must lie under the root's.
    const QString root = QFileInfo(m_host.GetLibraryRoot()).canonicalFilePath();
    const QString folder = QFileInfo(path).absoluteDir().canonicalPath();
    if (root.isEmpty() || folder.isEmpty())
        return false;
    return folder == root || folder.startsWith(root == QStringLiteral("/") ? root : root + u'/');
}

void CCatalogueController::OnSaveButton(IFileOperations &fileOperations)
{
    // 1. Something to save.
    int first = -1;
    for (int row = 0; row < m_mainList.GetItemCount() && first < 0; ++row)
        if (IsChecked(row))
            first = row;
    if (first < 0 || m_mainList.GetItemText(first, CConfigListCtrl::kColumnPath).isEmpty())
        return;

    // 2. and 3. Where to.
    const CTextTable texts;
    FolderBrowserRequest request;
    request.title = texts.GetText(QStringLiteral("SAVEDLG_CONTENTS"));
    request.caption = texts.GetText(QStringLiteral("SAVEDLG_TITLE"));
    request.initialFolder = m_strSaveFolder;
    request.newFolderButton = true;
    const std::optional<QString> folder =
        m_host.GetDialogs().BrowseForFolder(m_host.GetDialogOwner(), request);
    if (!folder || folder->isEmpty())
        return;
    m_strSaveFolder = *folder;

    // 4. One copy per checked row whose file is still there; the name is the row's, the
    // extension as the path writes it.
    std::vector<FileCopyJob> jobs;
    for (int row = 0; row < m_mainList.GetItemCount(); ++row) {
        if (!IsChecked(row))
            continue;
        const QString source = m_mainList.GetItemText(row, CConfigListCtrl::kColumnPath);
        const QString name = m_mainList.GetItemText(row, CConfigListCtrl::kColumnName);
        if (source.isEmpty() || !QFileInfo(source).isFile())
            continue;
        jobs.push_back(
            {source, m_strSaveFolder + u'/' + name.left(name.size() - 4) + source.right(4)});
    }
    qCDebug(lcLibraryWidgets) << "saving" << jobs.size() << "recordings to" << m_strSaveFolder;
    fileOperations.CopyFiles(m_host.GetDialogOwner(), QStringLiteral("File Copy"), jobs);
}

std::optional<int> CCatalogueController::OnDeleteButton()
{
    // 1.
    const int playing = m_host.GetCurrentItem();
    int checked = 0;
    int first = -1;
    bool playingChecked = false;
    for (int row = 0; row < m_mainList.GetItemCount(); ++row) {
        if (!IsChecked(row))
            continue;
        ++checked;
        if (first < 0)
            first = row;
        if (row == playing)
            playingChecked = true;
    }
    if (checked == 0)
        return std::nullopt;

    // 2. and 3.
    const CTextTable texts;
    const QString question = texts.GetText(QStringLiteral("DELETEDLG_CONTEXT1_1"));
    const QString playingText = texts.GetText(QStringLiteral("DELETEDLG_CONTEXT1_2"));
    IDialogs &dialogs = m_host.GetDialogs();
    QWidget *owner = m_host.GetDialogOwner();
    if (playingChecked && checked == 1) {
        dialogs.MessageBox(owner, playingText, MessageBoxButtons::Ok);
        return std::nullopt;
    }
    const QString text = playingChecked ? playingText + u'\n' + question : question;
    if (dialogs.MessageBox(owner, text, MessageBoxButtons::OkCancel) != DialogResult::Ok)
        return std::nullopt;

    // 4. The playing recording is known by its path: the rebuilt lists number rows anew.
    const WaitCursor waitCursor;
    const QString playingPath =
        playing >= 0 ? m_mainList.GetItemText(playing, CConfigListCtrl::kColumnPath) : QString();
    for (int row = 0; row < m_mainList.GetItemCount(); ++row) {
        if (!IsChecked(row) || row == playing)
            continue;
        const QString path = m_mainList.GetItemText(row, CConfigListCtrl::kColumnPath);
        if (!IsInsideLibrary(path)) {
            qCWarning(lcLibraryWidgets) << "not deleted, outside the library:" << path;
            continue;
        }
        if (!QFile::remove(path))
            qCWarning(lcLibraryWidgets) << "could not delete" << path;
    }

    // 5.
    const int type = GetCheckedCategoryType();
    if (type == 0)
        return std::nullopt;
    RefreshCatalogue(type, m_host.GetButtonCheck(IDC_CALENDAR) ? 1 : 0);

    // 6.
    const int rows = m_mainList.GetItemCount();
    if (rows > 0) {
        const int selection = std::min(first - 1, rows - 1);
        if (selection >= 0)
            SelectRow(selection);
    }
    return FindRowByPath(playingPath);
}
