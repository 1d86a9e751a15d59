#include "FakeDriveTree.h"

#include "library/widgets/CInformationDlg.h"
#include "library/widgets/CMemoryCardController.h"
#include "library/widgets/CSelectDriveDlg.h"
#include "library/widgets/IMemoryCardHost.h"
#include "platform/DialogsScripted.h"
#include "ui/AppMainWindow.h"
#include "ui/CKipStaticTrans.h"

#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTest>
#include <QWidget>

namespace
{

class FakeMainWindow : public IAppMainWindow
{
public:
    std::uint16_t GetLanguage() const override { return 1033; }
};

// Records what the controller asks of the main window, in order.
class RecordingHost : public IMemoryCardHost
{
public:
    QWidget window;
    QString libraryRoot;
    QStringList log;

    QWidget *HostWindow() override { return &window; }
    QString LibraryRoot() const override { return libraryRoot; }
    void SetLibraryRoot(const QString &root) override
    {
        libraryRoot = root;
        log << "SetLibraryRoot(" + root + ")";
    }
    void SetFolderMode(bool on) override { log << QString("SetFolderMode(%1)").arg(on); }
    void RefreshCatalogue(CCatalogue::Type type, bool date) override
    {
        log << QString("RefreshCatalogue(%1,%2)").arg(type).arg(date);
    }
    void ApplyControlState(ControlState state) override
    {
        log << QString("ApplyControlState(%1)").arg(static_cast<int>(state));
    }
    void SetFolderButtonCheck(bool on) override
    {
        log << QString("SetFolderButtonCheck(%1)").arg(on);
    }
    // The window's reset resets the information window among its steps.
    void ResetAfterCardRemoval(CInformationDlg *informationDlg) override
    {
        log << "ResetAfterCardRemoval";
        libraryRoot.clear();
        if (informationDlg) {
            informationDlg->ResetForCardRemoval();
        }
    }
};

const QString kPci = "devices/pci0000:00/0000:00:14.0";

// A USB card reader with its card mounted at `root`.
void AddCard(FakeDriveTree &tree, const QString &disk, std::uint32_t minor, int mountId,
             const QString &label, std::vector<FakeDriveTree::Mount> &mounts, const QString &root)
{
    FakeDriveTree::Device d;
    const QString usb = kPci + QString("/usb2/2-%1").arg(minor);
    d.sysPath = usb + "/host6/target6:0:0/6:0:0:0/block/" + disk + "/" + disk + "1";
    d.major = 8;
    d.minor = minor;
    d.partition = true;
    d.removable = "1";
    d.subsystems = {{usb, "usb"}};
    tree.AddDevice(d);
    if (!label.isEmpty()) {
        tree.AddUdevLabel(8, minor, label);
    }
    mounts.push_back({mountId, 8, minor, root});
}

// One USB card reader with its card at `path` of the media folder; gives the card's root.
QString MountOneCard(FakeDriveTree &tree, const QString &path, const QString &label)
{
    std::vector<FakeDriveTree::Mount> mounts;
    const QString root = tree.MediaPath(path);
    AddCard(tree, "sdb", 17, 40, label, mounts, root);
    tree.WriteMounts(mounts);
    return root;
}

// Plays the user: picks the entry `pick` (or the preselected one) and presses OK.
DialogsScripted::ModalScript ChooseEntry(QStringList *seen, int pick = -1)
{
    return [seen, pick](QDialog &dialog) {
        auto &select = static_cast<CSelectDriveDlg &>(dialog);
        QComboBox *combo = select.ComboDrive();
        for (int i = 0; i < combo->count(); ++i) {
            *seen << combo->itemText(i);
        }
        *seen << QString("current=%1").arg(combo->currentIndex());
        dialog.grab().save(qEnvironmentVariable("QUORVIL_TEST_TMP", QDir::tempPath()) +
                           "/select-drive-dialog.png");
        if (pick >= 0) {
            combo->setCurrentIndex(pick);
        }
        QTest::mouseClick(select.OkButton(), Qt::LeftButton);
        return dialog.result();
    };
}

// The reset is one operation of the window, whose steps the window's own tests check.
const QStringList kResetSteps = {"ResetAfterCardRemoval"};

int InformationWindows(QWidget &owner)
{
    return int(owner.findChildren<CInformationDlg *>().size());
}

// Two USB card readers: the camera's card and another stick, both mounted.
struct CardAndStick {
    QString card;
    QString stick;
    std::vector<FakeDriveTree::Mount> mounts; // card first, then the stick
};

CardAndStick MountCardAndStick(FakeDriveTree &tree)
{
    CardAndStick drives{tree.MediaPath("anna/CAMERA"), tree.MediaPath("anna/STICK"), {}};
    AddCard(tree, "sdb", 17, 40, "CAMERA", drives.mounts, drives.card);
    AddCard(tree, "sdc", 33, 41, "STICK", drives.mounts, drives.stick);
    tree.WriteMounts(drives.mounts);
    return drives;
}

} // namespace

class TestDrivesViewer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { SetAppMainWindow(&m_mainWindow); }
    void cleanupTestCase() { SetAppMainWindow(nullptr); }
    void twoReadersSortedAndPreselected();
    void cardWithoutLabel();
    void longMountPointShowsItsEnd();
    void confirmingTheCurrentRootChangesNothing();
    void cancelChangesNothing();
    void dialogClosesItselfWithoutDrives();
    void probeRunsSelectionOnlyWithADrive();
    void removalOfAnotherDriveLeavesAllAlone();
    void removalOfTheCardWhileListedResets();
    void memoryCardButtonWithoutDrive();
    void memoryCardButtonTwiceLeavesOneWindow();
    void memoryCardButtonCancelledOpensNothing();
    void memoryCardButtonFromFolderOnFixedDisk();

private:
    FakeMainWindow m_mainWindow;
};

void TestDrivesViewer::twoReadersSortedAndPreselected()
{
    FakeDriveTree tree;
    std::vector<FakeDriveTree::Mount> mounts;
    const QString f = tree.MediaPath("anna/F_CARD");
    const QString e = tree.MediaPath("anna/E_CARD");
    AddCard(tree, "sdc", 33, 41, "SECOND", mounts, f); // mounted first, sorts last
    AddCard(tree, "sdb", 17, 40, "CAMERA", mounts, e);
    tree.WriteMounts(mounts);

    RecordingHost host;
    DialogsScripted dialogs;
    QStringList seen;
    dialogs.QueueModal(ChooseEntry(&seen, 1));
    CMemoryCardController controller(host, dialogs);
    QVERIFY(controller.SelectCardDrive());
    QCOMPARE(seen, QStringList({e + "[CAMERA]", f + "[SECOND]", "current=0"}));
    QCOMPARE(host.libraryRoot, f);
    QCOMPARE(host.log, QStringList({"SetLibraryRoot(" + f + ")", "SetFolderMode(0)",
                                    "RefreshCatalogue(1,0)", "ApplyControlState(1)"}));
}

void TestDrivesViewer::cardWithoutLabel()
{
    FakeDriveTree tree;
    const QString root = MountOneCard(tree, "anna/1234-ABCD", QString());
    RecordingHost host;
    DialogsScripted dialogs;
    QStringList seen;
    dialogs.QueueModal(ChooseEntry(&seen));
    CMemoryCardController controller(host, dialogs);
    QVERIFY(controller.SelectCardDrive());
    QCOMPARE(seen.first(), root + "[Portable Disk]");
    QCOMPARE(host.libraryRoot, root);
}

// Mount points are long: the closed list keeps the end of the entry (folder and label) in view.
void TestDrivesViewer::longMountPointShowsItsEnd()
{
    FakeDriveTree tree;
    const QString root = MountOneCard(tree, QString::fromUtf8("anna/Карта памяти 2025"), "CAMERA");
    CSelectDriveDlg dialog;
    QVERIFY(dialog.OnInitDialog());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QString entry = root + "[CAMERA]";
    QCOMPARE(dialog.ComboDrive()->currentText(), entry);
    const QString shown = dialog.DisplayedEntry();
    QVERIFY2(shown.startsWith(QChar(0x2026)), qPrintable(shown));
    QVERIFY2(shown.endsWith(QString::fromUtf8("памяти 2025[CAMERA]")), qPrintable(shown));
    QVERIFY(dialog.ComboDrive()->fontMetrics().horizontalAdvance(shown) <
            dialog.ComboDrive()->width());
    dialog.grab().save(qEnvironmentVariable("QUORVIL_TEST_TMP", QDir::tempPath()) +
                       "/select-drive-long.png");
    // OK still takes the whole entry and its root.
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    QCOMPARE(dialog.m_strDrive, entry);
    QCOMPARE(dialog.m_strDriveRoot, root);
}

void TestDrivesViewer::confirmingTheCurrentRootChangesNothing()
{
    FakeDriveTree tree;
    const QString root = MountOneCard(tree, "anna/CAMERA", "CAMERA");
    RecordingHost host;
    host.libraryRoot = root;
    DialogsScripted dialogs;
    QStringList seen;
    dialogs.QueueModal(ChooseEntry(&seen));
    CMemoryCardController controller(host, dialogs);
    QVERIFY(!controller.SelectCardDrive());
    QVERIFY(host.log.isEmpty());
}

void TestDrivesViewer::cancelChangesNothing()
{
    FakeDriveTree tree;
    MountOneCard(tree, "anna/CAMERA", "CAMERA");
    RecordingHost host;
    DialogsScripted dialogs;
    dialogs.QueueModal([](QDialog &dialog) {
        QTest::keyClick(&dialog, Qt::Key_Escape);
        return dialog.result();
    });
    CMemoryCardController controller(host, dialogs);
    QVERIFY(!controller.SelectCardDrive());
    QCOMPARE(dialogs.ModalCalls(), 1);
    QVERIFY(host.log.isEmpty());
}

void TestDrivesViewer::dialogClosesItselfWithoutDrives()
{
    FakeDriveTree tree;
    RecordingHost host;
    DialogsScripted dialogs;
    CMemoryCardController controller(host, dialogs);
    QVERIFY(!controller.FindRemovableDrive());
    QVERIFY(!controller.SelectCardDrive());
    QCOMPARE(dialogs.ModalCalls(), 0);
    QVERIFY(host.log.isEmpty());

    CSelectDriveDlg dialog;
    QVERIFY(!dialog.OnInitDialog());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(dialog.windowTitle(), QString("Select Drive"));
}

void TestDrivesViewer::probeRunsSelectionOnlyWithADrive()
{
    FakeDriveTree tree;
    RecordingHost host;
    DialogsScripted dialogs;
    CMemoryCardController controller(host, dialogs);
    controller.OnDriveProbe();
    QCOMPARE(dialogs.ModalCalls(), 0);
    QCOMPARE(dialogs.MessageBoxCalls().size(), size_t(0));

    const QString root = MountOneCard(tree, "anna/CAMERA", "CAMERA");
    QStringList seen;
    dialogs.QueueModal(ChooseEntry(&seen));
    controller.OnDriveProbe();
    QCOMPARE(dialogs.ModalCalls(), 1);
    QCOMPARE(host.libraryRoot, root);
}

void TestDrivesViewer::removalOfAnotherDriveLeavesAllAlone()
{
    FakeDriveTree tree;
    const auto [card, stick, mounts] = MountCardAndStick(tree);
    RecordingHost host;
    host.libraryRoot = card;
    DialogsScripted dialogs;
    CMemoryCardController controller(host, dialogs);
    controller.OnShellChangeNotify(CMemoryCardController::kShcneDriveRemoved, stick);
    controller.OnShellChangeNotify(CMemoryCardController::kShcneDriveAdd, card);
    controller.OnShellChangeNotify(CMemoryCardController::kShcneDriveRemoved, QString());
    // Whole paths compare: a drive whose root only begins like the library's is another one.
    controller.OnShellChangeNotify(CMemoryCardController::kShcneDriveRemoved,
                                   card.left(card.size() - 1));
    QVERIFY(host.log.isEmpty());
    QCOMPARE(host.libraryRoot, card);
}

void TestDrivesViewer::removalOfTheCardWhileListedResets()
{
    FakeDriveTree tree;
    const auto [card, stick, mounts] = MountCardAndStick(tree);
    RecordingHost host;
    host.window.resize(1022, 682);
    host.libraryRoot = card;
    DialogsScripted dialogs;
    CMemoryCardController controller(host, dialogs);
    QVERIFY(controller.StartDriveNotifications());
    controller.OnMemoryCardButton();
    QPointer<CInformationDlg> info = controller.InformationDlg();
    QVERIFY(info);
    QVERIFY(info->isVisible());

    // The stick leaves first: nothing happens; then the card.
    tree.WriteMounts({mounts[1]});
    QTest::qWait(50);
    tree.WriteMounts({});
    QTRY_COMPARE(host.log, kResetSteps);
    QVERIFY(host.libraryRoot.isEmpty());
    QVERIFY(info); // hidden, not deleted
    QVERIFY(!info->isVisible());
    for (const int id : {10109, 10111, 10114, 10116, 10118}) {
        QCOMPARE(info->Static(id)->text(), QString("0.0 GB"));
    }
    QCOMPARE(info->Static(CInformationDlg::IDC_FIRMWARE)->text(), QString());
}

void TestDrivesViewer::memoryCardButtonWithoutDrive()
{
    FakeDriveTree tree;
    RecordingHost host;
    DialogsScripted dialogs;
    CMemoryCardController controller(host, dialogs);
    controller.OnMemoryCardButton();
    QCOMPARE(dialogs.MessageBoxCalls().size(), size_t(1));
    QCOMPARE(dialogs.MessageBoxCalls()[0].text, QString("Can't find the memory card."));
    QVERIFY(dialogs.MessageBoxCalls()[0].buttons == MessageBoxButtons::Ok);
    QCOMPARE(dialogs.MessageBoxCalls()[0].owner, &host.window);
    QCOMPARE(dialogs.ModalCalls(), 0);
    QVERIFY(!controller.InformationDlg());
    QVERIFY(host.log.isEmpty());
}

void TestDrivesViewer::memoryCardButtonTwiceLeavesOneWindow()
{
    FakeDriveTree tree;
    const QString card = MountOneCard(tree, "anna/CAMERA", "CAMERA");
    RecordingHost host;
    DialogsScripted dialogs;
    QStringList seen;
    dialogs.QueueModal(ChooseEntry(&seen));
    CMemoryCardController controller(host, dialogs);

    controller.OnMemoryCardButton(); // no library yet: the selection comes first
    QCOMPARE(host.libraryRoot, card);
    QPointer<CInformationDlg> first = controller.InformationDlg();
    QVERIFY(first);
    controller.OnMemoryCardButton();
    QPointer<CInformationDlg> second = controller.InformationDlg();
    QVERIFY(second);
    QVERIFY(!first); // replaced: the first window object is gone
    QCOMPARE(InformationWindows(host.window), 1);
    QVERIFY(second->isVisible());
    QCOMPARE(dialogs.ModalCalls(), 1);
}

void TestDrivesViewer::memoryCardButtonCancelledOpensNothing()
{
    FakeDriveTree tree;
    MountOneCard(tree, "anna/CAMERA", "CAMERA");
    RecordingHost host;
    DialogsScripted dialogs;
    dialogs.QueueModal([](QDialog &) { return int(QDialog::Rejected); });
    CMemoryCardController controller(host, dialogs);
    controller.OnMemoryCardButton();
    QVERIFY(!controller.InformationDlg());
    QCOMPARE(InformationWindows(host.window), 0);
    QVERIFY(host.log.isEmpty());
}

void TestDrivesViewer::memoryCardButtonFromFolderOnFixedDisk()
{
    FakeDriveTree tree;
    const QString card = MountOneCard(tree, "anna/CAMERA", "CAMERA");
    RecordingHost host;
    host.libraryRoot = tree.Root() + "/home/anna/Videos"; // a folder, not on the card
    DialogsScripted dialogs;
    QStringList seen;
    dialogs.QueueModal(ChooseEntry(&seen));
    CMemoryCardController controller(host, dialogs);
    controller.OnMemoryCardButton();
    QCOMPARE(host.libraryRoot, card);
    QVERIFY(controller.InformationDlg());
    QCOMPARE(host.log, QStringList({"SetLibraryRoot(" + card + ")", "SetFolderMode(0)",
                                    "RefreshCatalogue(1,0)", "ApplyControlState(1)",
                                    "SetFolderButtonCheck(0)"}));
}

QTEST_MAIN(TestDrivesViewer)
#include "test_memorycard.moc"
