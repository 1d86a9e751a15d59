// The dialogs the file list's commands use: Qt's dialogs run for real and answered by a
// timer, the scripted double, and the date selection dialog.
#include "library/widgets/CSelectMonthDlg.h"
#include "platform/DialogsFolderBrowser.h"
#include "platform/DialogsQt.h"
#include "platform/DialogsScripted.h"
#include "ui/AppMainWindow.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace
{
class EnglishWindow : public IAppMainWindow
{
public:
    std::uint16_t GetLanguage() const override { return 1033; }
};

// Runs `answer` on the modal dialog once it is up (the modal loop is running by then).
void AnswerModal(std::function<void(QWidget *)> answer)
{
    // A timer of the application's that goes once it has answered (nothing keeps itself alive).
    auto *poll = new QTimer(qApp);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer = std::move(answer)] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            answer(modal);
        }
    });
    poll->start();
}

QPushButton *ButtonWithText(QWidget *dialog, const QString &text)
{
    for (QPushButton *button : dialog->findChildren<QPushButton *>())
        if (button->text().remove(QLatin1Char('&')) == text)
            return button;
    return nullptr;
}
} // namespace

class FileListDialogsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { SetAppMainWindow(&m_language); }
    void cleanupTestCase() { SetAppMainWindow(nullptr); }

    void windowsFilters_data();
    void windowsFilters();
    void scriptedAnswersInOrder();
    void messageBox_data();
    void messageBox();
    void folderBrowser();
    void folderBrowserCancel();
    void monthDialogOpensOnToday();
    void monthDialogCancel();

private:
    EnglishWindow m_language;
};

void FileListDialogsTest::windowsFilters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("capture stills") << QStringLiteral("jpeg file (*.jpg)|*.jpg||")
                                    << QStringList{QStringLiteral("jpeg file (*.jpg)")};
    QTest::newRow("two kinds, several patterns")
        << QStringLiteral("Video|*.avi;*.mp4|All|*.*||")
        << QStringList{QStringLiteral("Video (*.avi *.mp4)"), QStringLiteral("All (*.*)")};
    QTest::newRow("empty") << QString() << QStringList{};
    QTest::newRow("pair without patterns") << QStringLiteral("Nothing||") << QStringList{};
}

void FileListDialogsTest::windowsFilters()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    QCOMPARE(DialogsQt::NameFiltersFromWindowsFilter(filter), expected);
}

void FileListDialogsTest::scriptedAnswersInOrder()
{
    DialogsScripted dialogs;
    dialogs.QueueMessageBoxAnswer(DialogResult::Cancel);
    dialogs.QueueMessageBoxAnswer(DialogResult::Ok);
    dialogs.QueueFolder(QStringLiteral("/a"));
    dialogs.QueueFolder(std::nullopt);
    dialogs.QueueSaveFile(QStringLiteral("/b/c.jpg"));
    QVERIFY(!dialogs.ScriptConsumed());

    QCOMPARE(dialogs.MessageBox(nullptr, QStringLiteral("one"), MessageBoxButtons::OkCancel),
             DialogResult::Cancel);
    QCOMPARE(dialogs.MessageBox(nullptr, QStringLiteral("two"), MessageBoxButtons::OkCancel),
             DialogResult::Ok);
    QCOMPARE(dialogs.BrowseForFolder(nullptr, {}), std::optional<QString>(QStringLiteral("/a")));
    QCOMPARE(dialogs.BrowseForFolder(nullptr, {}), std::optional<QString>());
    SaveFileRequest save;
    save.defaultName = QStringLiteral("c.jpg");
    QCOMPARE(dialogs.GetSaveFileName(nullptr, save),
             std::optional<QString>(QStringLiteral("/b/c.jpg")));
    QVERIFY(dialogs.ScriptConsumed());
    QCOMPARE(dialogs.UnscriptedCalls(), 0);
    QCOMPARE(dialogs.MessageBoxCalls().size(), std::size_t(2));
    QCOMPARE(dialogs.MessageBoxCalls()[1].text, QStringLiteral("two"));
    QCOMPARE(dialogs.SaveFileCalls().front().request.defaultName, QStringLiteral("c.jpg"));

    // Past the script: Cancel, except that an OK-only box can only say OK.
    QCOMPARE(dialogs.MessageBox(nullptr, QStringLiteral("x"), MessageBoxButtons::OkCancel),
             DialogResult::Cancel);
    QCOMPARE(dialogs.MessageBox(nullptr, QStringLiteral("x"), MessageBoxButtons::Ok),
             DialogResult::Ok);
    QCOMPARE(dialogs.BrowseForFolder(nullptr, {}), std::optional<QString>());
    CSelectMonthDlg month;
    QCOMPARE(month.DoModal(dialogs), int(QDialog::Rejected));
    QCOMPARE(dialogs.UnscriptedCalls(), 4);
}

void FileListDialogsTest::messageBox_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QString>("press");
    QTest::addColumn<int>("expected");
    QTest::newRow("OK only") << int(MessageBoxButtons::Ok) << QStringLiteral("OK")
                             << int(DialogResult::Ok);
    QTest::newRow("OK of OK and Cancel")
        << int(MessageBoxButtons::OkCancel) << QStringLiteral("OK") << int(DialogResult::Ok);
    QTest::newRow("Cancel of OK and Cancel")
        << int(MessageBoxButtons::OkCancel) << QStringLiteral("Cancel")
        << int(DialogResult::Cancel);
}

void FileListDialogsTest::messageBox()
{
    QFETCH(int, buttons);
    QFETCH(QString, press);
    QFETCH(int, expected);
    DialogsQt dialogs;
    QString seenText;
    int buttonCount = 0;
    bool noIcon = false;
    AnswerModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (box == nullptr)
            return;
        seenText = box->text();
        noIcon = box->icon() == QMessageBox::NoIcon;
        buttonCount = static_cast<int>(box->buttons().size());
        if (QPushButton *button = ButtonWithText(box, press))
            button->click();
        else
            box->reject();
    });
    const DialogResult result =
        dialogs.MessageBox(nullptr, QStringLiteral("Delete selected file?"),
                           static_cast<MessageBoxButtons>(buttons), QStringLiteral("ZI Zoreruv"));
    QCOMPARE(int(result), expected);
    QCOMPARE(seenText, QStringLiteral("Delete selected file?"));
    QVERIFY(noIcon);
    QCOMPARE(buttonCount, buttons == int(MessageBoxButtons::Ok) ? 1 : 2);
}

void FileListDialogsTest::folderBrowser()
{
    QTemporaryDir dir;
    const QString start = dir.filePath(QStringLiteral("start here"));
    QVERIFY(QDir().mkpath(start));
    DialogsQt dialogs;
    QString caption, title, preselected;
    AnswerModal([&](QWidget *modal) {
        auto *browser = qobject_cast<DialogsFolderBrowser *>(modal);
        if (browser == nullptr)
            return;
        caption = browser->windowTitle();
        const auto labels = browser->findChildren<QLabel *>();
        title = labels.isEmpty() ? QString() : labels.front()->text();
        preselected = browser->SelectedFolder().value_or(QString());
        browser->grab().save(qEnvironmentVariable("QUORVIL_TEST_TMP", QDir::tempPath()) +
                             QStringLiteral("/filelist-folder-browser.png"));
        browser->accept();
    });
    FolderBrowserRequest request;
    request.title = QStringLiteral("Select Folder");
    request.caption = QStringLiteral("Browse Folders");
    request.initialFolder = start;
    const std::optional<QString> chosen = dialogs.BrowseForFolder(nullptr, request);
    QCOMPARE(caption, QStringLiteral("Browse Folders"));
    QCOMPARE(title, QStringLiteral("Select Folder"));
    QCOMPARE(preselected, QDir(start).absolutePath());
    QCOMPARE(chosen, std::optional<QString>(QDir(start).absolutePath()));
}

void FileListDialogsTest::folderBrowserCancel()
{
    DialogsQt dialogs;
    AnswerModal([](QWidget *modal) { static_cast<QDialog *>(modal)->reject(); });
    FolderBrowserRequest request;
    request.initialFolder = QDir::homePath();
    QCOMPARE(dialogs.BrowseForFolder(nullptr, request), std::optional<QString>());
}

void FileListDialogsTest::monthDialogOpensOnToday()
{
    DialogsQt dialogs;
    CSelectMonthDlg month;
    QCOMPARE(month.GetChosenDate(), std::int64_t(0));
    QString title;
    QDate opened;
    QRect ok, cancel, calendar;
    AnswerModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<CSelectMonthDlg *>(modal);
        if (dialog == nullptr)
            return;
        title = dialog->windowTitle();
        opened = dialog->GetCalendar()->selectedDate();
        ok = dialog->GetOkButton()->geometry();
        cancel = dialog->GetCancelButton()->geometry();
        calendar = dialog->GetCalendar()->geometry();
        dialog->GetCalendar()->setSelectedDate(QDate(2014, 7, 21));
        dialog->GetOkButton()->click();
    });
    QCOMPARE(month.DoModal(dialogs), int(QDialog::Accepted));
    QCOMPARE(title, QStringLiteral("Date Selection"));
    QCOMPARE(opened, QDate::currentDate());
    QCOMPARE(month.GetChosenDate(), QDate(2014, 7, 21).startOfDay().toSecsSinceEpoch());
    // Template 316 in pixels: OK left of Cancel under the calendar, both 50 x 14 units.
    QCOMPARE(ok.size(), cancel.size());
    QVERIFY(ok.right() < cancel.left());
    QVERIFY(ok.top() >= calendar.bottom());
    QCOMPARE(calendar.topLeft(), QPoint(0, 0));

    // The next run opens on today again.
    AnswerModal([&](QWidget *modal) {
        if (auto *dialog = qobject_cast<CSelectMonthDlg *>(modal)) {
            opened = dialog->GetCalendar()->selectedDate();
            dialog->GetOkButton()->click();
        }
    });
    QCOMPARE(month.DoModal(dialogs), int(QDialog::Accepted));
    QCOMPARE(opened, QDate::currentDate());
    QCOMPARE(month.GetChosenDate(), QDate::currentDate().startOfDay().toSecsSinceEpoch());
}

void FileListDialogsTest::monthDialogCancel()
{
    DialogsQt dialogs;
    CSelectMonthDlg month;
    AnswerModal([](QWidget *modal) {
        if (auto *dialog = qobject_cast<CSelectMonthDlg *>(modal))
            dialog->GetCancelButton()->click();
    });
    QCOMPARE(month.DoModal(dialogs), int(QDialog::Rejected));
}

QTEST_MAIN(FileListDialogsTest)
#include "test_dialogs.moc"
