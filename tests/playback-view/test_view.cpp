#include "playback/CStaticView.h"

#include <QPainter>
#include <QTest>

// The video host window: stretches its frame over the whole window, and without a frame
// leaves whatever is behind it alone.
class TestPlaybackView : public QObject
{
    Q_OBJECT

private slots:
    void stretchesTheFrameOverTheWindow_data()
    {
        QTest::addColumn<QSize>("windowSize");
        QTest::newRow("wider than the frame's aspect") << QSize(300, 60);
        QTest::newRow("taller than the frame's aspect") << QSize(80, 200);
        QTest::newRow("frame size") << QSize(4, 2);
    }
    void stretchesTheFrameOverTheWindow()
    {
        QFETCH(QSize, windowSize);
        // Four colour blocks: each must cover exactly its quarter of the window.
        QImage frame(4, 2, QImage::Format_RGB32);
        frame.fill(Qt::black);
        QPainter p(&frame);
        p.fillRect(0, 0, 2, 1, Qt::red);
        p.fillRect(2, 0, 2, 1, Qt::green);
        p.fillRect(0, 1, 2, 1, Qt::blue);
        p.fillRect(2, 1, 2, 1, Qt::yellow);
        p.end();

        CStaticView view;
        view.resize(windowSize);
        view.SetFrame(frame);
        QVERIFY(view.HasFrame());
        const QImage shown = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.size(), windowSize);
        const int w = windowSize.width(), h = windowSize.height();
        const struct {
            int x, y;
            QColor colour;
        } probes[] = {
            {0, 0, Qt::red},
            {w / 2 - 1, h / 2 - 1, Qt::red},
            {w - 1, 0, Qt::green},
            {w / 2, h / 2 - 1, Qt::green},
            {0, h - 1, Qt::blue},
            {w / 2 - 1, h / 2, Qt::blue},
            {w - 1, h - 1, Qt::yellow},
            {w / 2, h / 2, Qt::yellow},
        };
        for (const auto &probe : probes)
            QCOMPARE(shown.pixelColor(probe.x, probe.y), probe.colour);
    }

    void withoutFrameLeavesTheBackgroundAlone()
    {
        QWidget parent;
        parent.resize(200, 100);
        parent.setAutoFillBackground(true);
        QPalette palette = parent.palette();
        palette.setColor(QPalette::Window, QColor(0, 128, 0));
        parent.setPalette(palette);
        auto *view = new CStaticView(&parent);
        view->setGeometry(50, 25, 100, 50);
        QVERIFY(!view->HasFrame());
        QImage shown = parent.grab().toImage();
        QCOMPARE(shown.pixelColor(100, 50), QColor(0, 128, 0));

        QImage frame(2, 2, QImage::Format_RGB32);
        frame.fill(Qt::white);
        view->SetFrame(frame);
        shown = parent.grab().toImage();
        QCOMPARE(shown.pixelColor(100, 50), QColor(Qt::white));
        QCOMPARE(shown.pixelColor(10, 10), QColor(0, 128, 0));

        view->ClearFrame();
        QVERIFY(!view->HasFrame());
        shown = parent.grab().toImage();
        QCOMPARE(shown.pixelColor(100, 50), QColor(0, 128, 0));
    }
};

QTEST_MAIN(TestPlaybackView)
#include "test_view.moc"
