#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class CInformationDlg;
class IDialogs;
class IDriveMonitor;
class IMemoryCardHost;

// Finding the memory card: the start-up probe, the drive selection, the memory card button
// with its information window, and the reset when the card's drive goes away. Lives in the
// main window, which forwards its handlers here.
class CMemoryCardController : public QObject
{
    Q_OBJECT
public:
    // The shell's drive event codes, as the notification handler receives them.
    static constexpr long kShcneDriveRemoved = 0x80;
    static constexpr long kShcneDriveAdd = 0x100;
    // The information window's template.
    static constexpr int kInformationDialogId = 492;

    CMemoryCardController(IMemoryCardHost &host, IDialogs &dialogs, QObject *parent = nullptr);
    ~CMemoryCardController() override;

    // Whether at least one removable drive is mounted.
    bool FindRemovableDrive() const;

    // Runs the selection dialog. True only when the user confirmed a drive other than the
    // current library root; the library root, folder mode, catalogue and control state have
    // then been updated.
    bool SelectCardDrive();

    // Message 0x45C: the selection, when a removable drive exists.
    void OnDriveProbe();

    // Button 1002 (and the control panel's 1078).
    void OnMemoryCardButton();

    // Message 0x458: resets the main window when `path`, the drive that left, is the
    // library root. Other events are ignored.
    void OnShellChangeNotify(long eventCode, const QString &path);

    // Starts watching mounts; each change reaches OnShellChangeNotify as a posted call.
    // False when the mount table cannot be watched (the viewer then runs without).
    bool StartDriveNotifications();

    // m_pInformationDlg, or null.
    CInformationDlg *InformationDlg() const { return m_pInformationDlg; }
    // Deletes the information window; the main window's destructor calls it first.
    void DestroyInformationDlg();

private:
    void OpenInformationWindow();
    void ResetAfterCardRemoval();

    IMemoryCardHost &m_host;
    IDialogs &m_dialogs;
    // Owned here; the main window is its Qt parent only so it stays above it.
    QPointer<CInformationDlg> m_pInformationDlg;
    std::unique_ptr<IDriveMonitor> m_monitor;
};
