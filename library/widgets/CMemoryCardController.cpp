#include "library/widgets/CMemoryCardController.h"

#include "library/widgets/CInformationDlg.h"
#include "library/widgets/CSelectDriveDlg.h"
#include "library/widgets/IMemoryCardHost.h"
#include "library/widgets/LibraryWidgetsLogging.h"
#include "platform/Dialogs.h"
#include "platform/Drives.h"
#include "ui/CTextTable.h"

CMemoryCardController::CMemoryCardController(IMemoryCardHost &host, IDialogs &dialogs,
                                             QObject *parent)
    : QObject(parent), m_host(host), m_dialogs(dialogs)
{
}

CMemoryCardController::~CMemoryCardController()
{
    DestroyInformationDlg();
}

bool CMemoryCardController::FindRemovableDrive() const
{
    return HasRemovableDrive();
}

bool CMemoryCardController::SelectCardDrive()
{
    CSelectDriveDlg dialog(m_host.HostWindow());
    if (!dialog.OnInitDialog()) {
        return false;
    }
    if (m_dialogs.RunModal(dialog) != QDialog::Accepted) {
        return false;
    }
    const QString root = dialog.m_strDriveRoot;
    if (root.isEmpty() || root == m_host.LibraryRoot()) {
        return false;
    }
    // A card pulled while the dialog was open is not taken as the library.
    if (!::FindRemovableDrive(root)) {
        qCDebug(lcLibraryWidgets) << "the chosen drive is gone" << root;
        return false;
    }
    m_host.SetLibraryRoot(root);
    m_host.SetFolderMode(false);
    m_host.RefreshCatalogue(CCatalogue::TypeAll, false);
    m_host.ApplyControlState(ControlState::Listed);
    return true;
}

void CMemoryCardController::OnDriveProbe()
{
    if (FindRemovableDrive()) {
        SelectCardDrive();
    }
}

void CMemoryCardController::OnMemoryCardButton()
{
    if (!FindRemovableDrive()) {
        const CTextTable texts;
        m_dialogs.MessageBox(m_host.HostWindow(),
                             texts.GetText(QStringLiteral("ALERTDLG_NO_MEMORYCARD")),
                             MessageBoxButtons::Ok);
        return;
    }
    if (m_host.LibraryRoot().isEmpty()) {
        if (!SelectCardDrive() || m_host.LibraryRoot().isEmpty()) {
            return;
        }
    }
    if (RemovableDriveOf(m_host.LibraryRoot())) {
        OpenInformationWindow();
        return;
    }
    // A folder on a fixed disk is the library: the card has to be chosen first.
    if (!SelectCardDrive()) {
        return;
    }
    OpenInformationWindow();
    m_host.SetFolderButtonCheck(false);
}

void CMemoryCardController::OpenInformationWindow()
{
    DestroyInformationDlg();
    auto *dialog = new CInformationDlg(m_host.LibraryRoot(), m_host.HostWindow());
    m_pInformationDlg = dialog;
    dialog->OnInitDialog();
    dialog->showNormal();
}

void CMemoryCardController::DestroyInformationDlg()
{
    delete m_pInformationDlg.data();
    m_pInformationDlg = nullptr;
}

void CMemoryCardController::OnShellChangeNotify(long eventCode, const QString &path)
{
    if (eventCode != kShcneDriveRemoved) {
        return;
    }
    if (!path.isEmpty() && path == m_host.LibraryRoot()) {
        ResetAfterCardRemoval();
    }
}

void CMemoryCardController::ResetAfterCardRemoval()
{
    qCDebug(lcLibraryWidgets) << "the card's drive was removed" << m_host.LibraryRoot();
    m_host.ResetAfterCardRemoval(m_pInformationDlg);
}

bool CMemoryCardController::StartDriveNotifications()
{
    m_monitor = CreateDriveMonitor();
    // Posted, as the shell posts its notification: the handler never runs inside the scan.
    connect(
        m_monitor.get(), &IDriveMonitor::DriveRemoved, this,
        [this](const RemovableDrive &drive) {
            OnShellChangeNotify(kShcneDriveRemoved, drive.root);
        },
        Qt::QueuedConnection);
    connect(
        m_monitor.get(), &IDriveMonitor::DriveAdded, this,
        [this](const RemovableDrive &drive) { OnShellChangeNotify(kShcneDriveAdd, drive.root); },
        Qt::QueuedConnection);
    return m_monitor->IsActive();
}
