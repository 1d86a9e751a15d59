#include "FakeDriveTree.h"
#include "LoopCard.h"

#include "library/CardInformation.h"
#include "library/widgets/CInformationDlg.h"
#include "ui/AppMainWindow.h"
#include "ui/CKipSkinButton.h"
#include "ui/CKipStaticTrans.h"
#include "ui/CTextTable.h"

#include <QDir>
#include <QFontMetrics>
#include <QFile>
#include <QStorageInfo>
#include <QTest>

namespace
{

class FakeMainWindow : public IAppMainWindow
{
public:
    std::uint16_t language = 1033;
    std::uint16_t GetLanguage() const override { return language; }
};

constexpr qint64 kMiB = 1024 * 1024;

void MakeFile(const QString &path, qint64 size)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.resize(size));
}

QByteArray Le32(std::int32_t v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i) {
        b[i] = char((std::uint32_t(v) >> (8 * i)) & 0xFF);
    }
    return b;
}

// A card in a USB reader mounted at `root`, with a few recordings and a firmware file.
QString MakeCard(FakeDriveTree &tree)
{
    FakeDriveTree::Device d;
    d.sysPath = "devices/pci0000:00/0000:00:14.0/usb2/2-1/host6/block/sdb/sdb1";
    d.major = 8;
    d.minor = 17;
    d.partition = true;
    d.removable = "1";
    tree.AddDevice(d);
    const QString root = tree.MediaPath("anna/CAMERA");
    tree.WriteMounts({{40, 8, 17, root}});
    const QString rec = root + "/Recordings";
    MakeFile(rec + "/20250101_120000_EVT_C2.AVI", 1024 * kMiB);
    MakeFile(rec + "/Saved/20250101_130000_EVT_C1.MP4", 1536 * kMiB);
    MakeFile(rec + "/20250101_140000_MOT_C2.MP4", 40 * kMiB);
    MakeFile(rec + "/20250101_150000_NOR_C2.AVI", 3 * 1024 * kMiB + 300 * kMiB);
    QDir().mkpath(root + "/Configs");
    QFile cfg(root + "/Configs/km7_sysenv.cfg");
    if (cfg.open(QIODevice::WriteOnly)) {
        cfg.write(QByteArray(8, 'Q') + Le32(1) + Le32(23));
    }
    return root;
}

QString Text(const CInformationDlg &dlg, int id)
{
    return dlg.Static(id)->text();
}

} // namespace

class TestCardInfoWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { SetAppMainWindow(&m_mainWindow); }
    void cleanupTestCase() { SetAppMainWindow(nullptr); }
    void init() { m_mainWindow.language = 1033; }
    void showsTheCard();
    void withoutLibraryKeepsInitialTexts();
    void languageLayouts_data();
    void languageLayouts();
    void textsFitBesideTheirValues_data();
    void textsFitBesideTheirValues();
    void closeHidesAndRemovalResets();
    void dragsByItsBody();
    void looksRight();
    void realThirtyTwoGiBCard();

private:
    FakeMainWindow m_mainWindow;
};

void TestCardInfoWindow::showsTheCard()
{
    FakeDriveTree tree;
    const QString root = MakeCard(tree);
    QWidget owner;
    CInformationDlg dlg(root, &owner);
    dlg.OnInitDialog();
    QCOMPARE(dlg.size(), QSize(338, 412));
    QCOMPARE(Text(dlg, 10116), QString("2.5 GB"));
    QCOMPARE(Text(dlg, 10118), QString("0.0 GB")); // 40 MiB
    QCOMPARE(Text(dlg, 10114), QString("3.3 GB"));
    QCOMPARE(Text(dlg, 10119), QString("1.023"));
    QCOMPARE(Text(dlg, 10123), QString("0.2.0"));
    // The fake mount point is a folder of this machine's disk: its sizes, through statvfs.
    const QStorageInfo storage(root);
    QCOMPARE(Text(dlg, 10109),
             CardInformation::FormatCapacity(double(quint64(storage.bytesTotal()) >> 20)));
    QCOMPARE(Text(dlg, 10101), QString("Information"));
    QCOMPARE(Text(dlg, 10105), QString("QV900 Firmware Version :"));
    QCOMPARE(Text(dlg, 10107), QString("Contact the seller of the product."));
    QCOMPARE(Text(dlg, 10108), QString());
    QCOMPARE(dlg.findChildren<CKipStaticTrans *>().size(), qsizetype(21));

    // Opened on a folder of the card, the card's drive is shown all the same.
    CInformationDlg fromFolder(root + "/Recordings", &owner);
    fromFolder.OnInitDialog();
    QCOMPARE(Text(fromFolder, 10116), QString("2.5 GB"));
    QCOMPARE(Text(fromFolder, 10119), QString("1.023"));
}

void TestCardInfoWindow::withoutLibraryKeepsInitialTexts()
{
    FakeDriveTree tree;
    QWidget owner;
    CInformationDlg dlg(QString(), &owner);
    dlg.OnInitDialog();
    QCOMPARE(Text(dlg, 10109), QString("0.0 GB"));
    QCOMPARE(Text(dlg, 10116), QString("4.5 GB"));
    QCOMPARE(Text(dlg, 10119), QString("1.0.0"));
    QCOMPARE(Text(dlg, 10123), QString("0.2.0"));

    // A card without firmware file, after its drive left the table: nothing but zeros.
    const QString root = tree.MediaPath("gone");
    QDir().mkpath(root + "/Recordings");
    CInformationDlg gone(root, &owner);
    gone.OnInitDialog();
    QCOMPARE(Text(gone, 10109), QString("0.0 GB"));
    QCOMPARE(Text(gone, 10111), QString("0.0 GB"));
    QCOMPARE(Text(gone, 10119), QString());
}

void TestCardInfoWindow::languageLayouts_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("id");
    QTest::addColumn<QRect>("rect");
    QTest::newRow("Russian support text widened") << 1049 << 10107 << QRect(26, 352, 270, 45);
    QTest::newRow("English support text") << 1033 << 10107 << QRect(26, 352, 200, 15);
    QTest::newRow("English total value") << 1033 << 10109 << QRect(143, 66, 60, 15);
    QTest::newRow("Korean total value") << 1042 << 10109 << QRect(90, 66, 60, 15);
    QTest::newRow("Japanese firmware value") << 1041 << 10119 << QRect(241, 252, 60, 15);
    QTest::newRow("Russian viewer version") << 1049 << 10123 << QRect(188, 271, 60, 15);
    QTest::newRow("heading stays") << 1049 << 10104 << QRect(24, 225, 270, 15);
    QTest::newRow("other language keeps the table") << 1031 << 10109 << QRect(90, 66, 60, 15);
}

void TestCardInfoWindow::languageLayouts()
{
    QFETCH(int, language);
    QFETCH(int, id);
    QFETCH(QRect, rect);
    m_mainWindow.language = std::uint16_t(language);
    QWidget owner;
    CInformationDlg dlg(QString(), &owner);
    dlg.OnInitDialog();
    QCOMPARE(dlg.Static(id)->geometry(), rect);
}

void TestCardInfoWindow::textsFitBesideTheirValues_data()
{
    QTest::addColumn<int>("language");
    QTest::newRow("Korean") << 1042;
    QTest::newRow("English") << 1033;
    QTest::newRow("Japanese") << 1041;
    QTest::newRow("Russian") << 1049;
}

// Some translations are longer than their language's rectangles: no text may run under the
// value painted beside it, nor wrap onto a line its rectangle cuts off.
void TestCardInfoWindow::textsFitBesideTheirValues()
{
    QFETCH(int, language);
    m_mainWindow.language = std::uint16_t(language);
    FakeDriveTree tree;
    const QString root = MakeCard(tree);
    QWidget owner;
    CInformationDlg dlg(root, &owner);
    dlg.OnInitDialog();
    const QList<CKipStaticTrans *> statics = dlg.findChildren<CKipStaticTrans *>();
    const CTextTable texts;
    for (const CKipStaticTrans *label : statics) {
        const QRect rect = label->geometry();
        int room = rect.width();
        for (const CKipStaticTrans *other : statics) {
            const QRect o = other->geometry();
            if (other != label && o.top() <= rect.bottom() && o.bottom() >= rect.top() &&
                o.left() > rect.left() && o.left() <= rect.right()) {
                room = std::min(room, o.left() - rect.left());
            }
        }
        const QFontMetrics metrics(label->font());
        const QStringList lines = label->text().split('\n');
        for (const QString &line : lines) {
            QVERIFY2(metrics.horizontalAdvance(line) <= room,
                     qPrintable(QString("%1 \"%2\" is %3 px wide in %4 px")
                                    .arg(label->GetDlgCtrlID())
                                    .arg(line)
                                    .arg(metrics.horizontalAdvance(line))
                                    .arg(room)));
        }
        QVERIFY(lines.size() * metrics.height() <= rect.height() + metrics.height() / 2);
        QVERIFY(label->GetFontHeight() >= 13);
        // A shortened text keeps its whole wording in the tooltip.
        if (!label->toolTip().isEmpty()) {
            QVERIFY(label->text().contains(QChar(0x2026)));
            QVERIFY(label->toolTip() != label->text());
        }
    }
    // The texts that fit stay as the table has them.
    QCOMPARE(dlg.Static(10101)->text(), texts.GetText("INFODLG_INFORMATION"));
    QCOMPARE(dlg.Static(10116)->text(), QString("2.5 GB"));
    if (language == 1033) {
        for (const CKipStaticTrans *label : statics) {
            QCOMPARE(label->GetFontHeight(), label->GetFontWeight() == 700 ? 17 : 16);
            QVERIFY(label->toolTip().isEmpty());
        }
    }
}

void TestCardInfoWindow::closeHidesAndRemovalResets()
{
    FakeDriveTree tree;
    const QString root = MakeCard(tree);
    QWidget owner;
    CInformationDlg dlg(root, &owner);
    dlg.OnInitDialog();
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QCOMPARE(dlg.CloseButton()->geometry(), QRect(307, 4, 28, 22));
    QTest::mouseClick(dlg.CloseButton(), Qt::LeftButton);
    QVERIFY(!dlg.isVisible());

    dlg.show();
    dlg.ResetForCardRemoval();
    QVERIFY(!dlg.isVisible());
    for (const int id : {10109, 10111, 10114, 10116, 10118}) {
        QCOMPARE(Text(dlg, id), QString("0.0 GB"));
    }
    QCOMPARE(Text(dlg, 10119), QString());
}

void TestCardInfoWindow::dragsByItsBody()
{
    QWidget owner;
    CInformationDlg dlg(QString(), &owner);
    dlg.OnInitDialog();
    dlg.move(100, 100);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    const QPoint start = dlg.pos();
    QTest::mousePress(&dlg, Qt::LeftButton, {}, QPoint(150, 200));
    QMouseEvent move(QEvent::MouseMove, QPointF(190, 230), dlg.mapToGlobal(QPointF(190, 230)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dlg, &move);
    QTest::mouseRelease(&dlg, Qt::LeftButton, {}, QPoint(190, 230));
    QCOMPARE(dlg.pos(), start + QPoint(40, 30));
}

void TestCardInfoWindow::looksRight()
{
    FakeDriveTree tree;
    const QString root = MakeCard(tree);
    QWidget owner;
    CInformationDlg dlg(root, &owner);
    dlg.OnInitDialog();
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    const QImage shot = dlg.grab().toImage();
    QCOMPARE(shot.size(), QSize(338, 412));
    const QString out = qEnvironmentVariable("QUORVIL_TEST_TMP", QDir::tempPath());
    shot.save(out + "/cardinfo-window.png");
    // Every language's layout, to look at.
    for (const std::uint16_t language : {1042, 1041, 1049}) {
        m_mainWindow.language = language;
        CInformationDlg localized(root, &owner);
        localized.OnInitDialog();
        localized.show();
        QVERIFY(QTest::qWaitForWindowExposed(&localized));
        localized.grab().save(out + QString("/cardinfo-window-%1.png").arg(language));
    }
    // A value sits on its solid dark background.
    const QRect value = dlg.Static(10116)->geometry();
    QCOMPARE(shot.pixelColor(value.right() - 1, value.top() + 1), QColor(30, 30, 30));
}

// A real 32 GiB exFAT card (a sparse image on a loop device, mounted with exfat-fuse); only the
// sysfs tree is faked to call the loop device removable.
void TestCardInfoWindow::realThirtyTwoGiBCard()
{
    LoopCard card;
    if (!card.Attach(34359738368ll, "CAMERA") || !card.Mount()) {
        QSKIP(qPrintable(card.Why() + "; skipped"));
    }
    QWidget owner;
    CInformationDlg dlg(card.MountPoint(), &owner);
    dlg.OnInitDialog();
    QCOMPARE(Text(dlg, 10109), QString("32.0 GB"));
    QCOMPARE(Text(dlg, 10111), QString("32.0 GB"));
    QCOMPARE(Text(dlg, 10116), QString("0.0 GB"));
    QCOMPARE(Text(dlg, 10119), QString()); // no firmware file on a fresh card
}

QTEST_MAIN(TestCardInfoWindow)
#include "test_infowindow.moc"
