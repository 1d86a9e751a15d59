// The main window and the memory card: the deferred drive probe at start-up, the selection of
// the card, and the reset when the card's drive goes away. Drives are a fake mount table and
// sysfs tree; nothing of this machine's drives is seen.

#include "tests/app-common/TestEnvironment.h"

#include "tests/platform-drives/FakeDriveTree.h"

#include "app/COrvelPlayerDlg.h"
#include "library/widgets/CSelectDriveDlg.h"
#include "platform/DialogsScripted.h"
#include "platform/SoundOutput.h"
#include "tools/make-card/CardGenerator.h"

#include <QApplication>
#include <QDialog>
#include <QTest>

#include <memory>

namespace
{

class NoSoundOutput : public CSoundOutput::Backend
{
public:
    bool Probe() override { return false; }
    GstElement *CreateSink() override { return nullptr; }
};

} // namespace

class TestMainWindowDrives : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_sandbox;
    DialogsScripted *m_dialogs = nullptr;

    std::unique_ptr<COrvelPlayerDlg> MakeWindow(std::unique_ptr<DialogsScripted> scripted)
    {
        m_dialogs = scripted.get();
        auto dlg = std::make_unique<COrvelPlayerDlg>(std::move(scripted));
        if (!dlg->OnInitDialog())
            return nullptr;
        return dlg;
    }

    // A card of one short recording in a mounted card reader; returns its root.
    QString MountCardWithOneRecording(FakeDriveTree &tree)
    {
        tree.AddDevice(FakeDriveTree::UsbCardReaderPartition());
        const QString root = tree.MediaPath("CARD");
        cardgen::RecordingOptions recording;
        recording.durationMs = 1000;
        recording.width = 160;
        recording.height = 90;
        recording.fps = 5;
        recording.audio = false;
        cardgen::CardOptions card;
        card.root = root;
        card.recordings = {recording};
        if (!cardgen::WriteCard(card))
            return {};
        tree.WriteMounts({{40, 8, 17, root}});
        return root;
    }

    static int AcceptDriveSelection(QDialog &dialog)
    {
        static_cast<CSelectDriveDlg &>(dialog).DoDataExchange();
        return int(QDialog::Accepted);
    }

private slots:
    void init() { CSoundOutput::Instance().SetBackend(std::make_unique<NoSoundOutput>()); }
    // The fake tree unsets the drive variables when it goes; point them at nothing again.
    void cleanup() { m_sandbox = IsolateEnvironment(); }

    void noRemovableDriveShowsNoSelection()
    {
        auto dlg = MakeWindow(std::make_unique<DialogsScripted>());
        QVERIFY(dlg);
        QTest::qWait(200);
        QCOMPARE(m_dialogs->ModalCalls(), 0);
        QCOMPARE(m_dialogs->MessageBoxCalls().size(), std::size_t(0));
    }

    // --library DIR with a card reader present: the folder is listed first, and the card the
    // user then picks in the start-up selection is what stays listed.
    void startupLibraryThenTheCardChosenAtStart()
    {
        FakeDriveTree tree;
        const QString root = MountCardWithOneRecording(tree);
        QVERIFY(!root.isEmpty());
        QTemporaryDir folder;
        auto scripted = std::make_unique<DialogsScripted>();
        scripted->QueueModal(AcceptDriveSelection);
        m_dialogs = scripted.get();
        auto dlg = std::make_unique<COrvelPlayerDlg>(std::move(scripted));
        dlg->SetStartupLibraryFolder(folder.path());
        QVERIFY(dlg->OnInitDialog());
        QTRY_COMPARE(m_dialogs->ModalCalls(), 1);
        QTest::qWait(100);
        QCOMPARE(dlg->GetLibraryRoot(), root);
        QVERIFY(!dlg->GetFolderMode());
        QCOMPARE(dlg->FileList()->GetItemCount(), 1);
    }

    // PageDown with no library, at start-up without a card and after the card was removed:
    // nothing loaded and nothing listed, so nothing happens (no Listed state, no Calendar).
    void pageDownWithoutLibraryDoesNothing()
    {
        const auto pageDownChangesNothing = [](COrvelPlayerDlg &dlg) {
            QTest::keyClick(&dlg, Qt::Key_PageDown);
            for (const int id : {1003, 1004, 1005, 1015})
                QVERIFY2(!dlg.Control(id)->isEnabled(), qPrintable(QString::number(id)));
            QCOMPARE(dlg.Transport().CurrentItem(), -1);
        };
        {
            auto dlg = MakeWindow(std::make_unique<DialogsScripted>());
            QVERIFY(dlg);
            QTest::qWait(100); // the drive probe found nothing
            pageDownChangesNothing(*dlg);
        }
        FakeDriveTree tree;
        QVERIFY(!MountCardWithOneRecording(tree).isEmpty());
        auto scripted = std::make_unique<DialogsScripted>();
        scripted->QueueModal(AcceptDriveSelection);
        auto dlg = MakeWindow(std::move(scripted));
        QVERIFY(dlg);
        QTRY_COMPARE(dlg->FileList()->GetItemCount(), 1);
        QVERIFY(dlg->Control(1003)->isEnabled());
        tree.WriteMounts({});
        QTRY_VERIFY(dlg->GetLibraryRoot().isEmpty());
        pageDownChangesNothing(*dlg);
    }

    void cardReaderGivesOneSelectionOverTheShownWindow()
    {
        FakeDriveTree tree;
        const QString root = MountCardWithOneRecording(tree);
        QVERIFY(!root.isEmpty());

        auto scripted = std::make_unique<DialogsScripted>();
        COrvelPlayerDlg *window = nullptr;
        bool shownAtSelection = false;
        scripted->QueueModal([&](QDialog &dialog) {
            shownAtSelection = window && window->isVisible();
            return AcceptDriveSelection(dialog);
        });
        auto dlg = MakeWindow(std::move(scripted));
        QVERIFY(dlg);
        window = dlg.get();
        // Not during start-up: the probe is posted and runs once the window is on screen.
        QCOMPARE(m_dialogs->ModalCalls(), 0);
        QTRY_COMPARE(m_dialogs->ModalCalls(), 1);
        QVERIFY(shownAtSelection);
        QCOMPARE(dlg->GetLibraryRoot(), root);
        QCOMPARE(dlg->FileList()->GetItemCount(), 1);
        // Listed: Calendar, Save and Delete usable, transport not yet.
        QVERIFY(dlg->Control(1003)->isEnabled());
        QVERIFY(dlg->Control(1004)->isEnabled());
        QVERIFY(!dlg->Control(1015)->isEnabled());
        // Without a sound output the volume is 0, disabled, and Mute checked and disabled.
        QVERIFY(!dlg->Control(1022)->isEnabled());
        QCOMPARE(dlg->Slider(1022)->GetPos(), 0);
        QCOMPARE(dlg->Button(1026)->GetCheck(), 1);
        QVERIFY(!dlg->Control(1026)->isEnabled());
        QTest::qWait(200);
        QCOMPARE(m_dialogs->ModalCalls(), 1);

        // The card goes away while a recording is loaded: back to Idle with nothing listed.
        dlg->FileList()->SelectItem(0);
        dlg->Transport().OnListDoubleClick(0);
        QCOMPARE(dlg->Transport().CurrentItem(), 0);
        tree.WriteMounts({});
        QTRY_VERIFY(dlg->GetLibraryRoot().isEmpty());
        QCOMPARE(dlg->FileList()->GetItemCount(), 0);
        QCOMPARE(dlg->Transport().CurrentItem(), -1);
        QVERIFY(!dlg->Transport().IsPositionTimerActive());
        QVERIFY(!dlg->Player().Graph());
        QVERIFY(!dlg->Control(1003)->isEnabled());
        QVERIFY(!dlg->Control(1015)->isEnabled());
        QVERIFY(dlg->isVisible());
    }
};

int main(int argc, char **argv)
{
    auto sandbox = IsolateEnvironment();
    QApplication app(argc, argv);
    TestMainWindowDrives test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_memorycard.moc"
