#pragma once

// Helpers shared by the skinned-control tests (header only; no CMakeLists.txt here).

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>

// Markers go to the local-machine store; keep them inside the test's scratch folder.
inline void RedirectMachineSettings(const char *testName)
{
    QString root = qEnvironmentVariable("QUORVIL_TEST_TMP");
    if (root.isEmpty())
        root = QDir::tempPath();
    const QString folder = root + QStringLiteral("/%1-machine").arg(QLatin1String(testName));
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    qputenv("QUORVIL_SYSTEM_CONFIG", folder.toLocal8Bit());
    qputenv("QUORVIL_CONFIG_HOME", (folder + QStringLiteral("-user")).toLocal8Bit());
}

// Mouse events with an explicit button state (a drag keeps the left button down).
inline void SendMouse(QWidget *w, QEvent::Type type, QPoint pos,
                      Qt::MouseButtons buttons = Qt::LeftButton,
                      Qt::MouseButton button = Qt::LeftButton)
{
    QMouseEvent event(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

inline QImage Grab(QWidget *w)
{
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QImage Rgb(const QImage &image)
{
    return image.convertToFormat(QImage::Format_RGB32);
}
