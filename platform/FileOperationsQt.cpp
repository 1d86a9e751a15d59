#include "platform/FileOperationsQt.h"

#include "platform/FileCopyProgressWindow.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include <thread>

std::unique_ptr<IFileOperations> CreateFileOperations()
{
    return std::make_unique<FileOperationsQt>();
}

FileOperationsQt::FileOperationsQt(std::unique_ptr<IFileCopyPrompts> prompts,
                                   std::shared_ptr<FileCopyIo> io)
    : m_prompts(prompts ? std::move(prompts) : std::make_unique<FileCopyPromptsQt>()),
      m_io(std::move(io))
{
}

std::vector<FileCopyResult> FileOperationsQt::CopyFiles(QWidget *owner, const QString &title,
                                                        const std::vector<FileCopyJob> &jobs)
{
    if (jobs.empty())
        return {};
    FileCopyProgress progress;
    std::atomic<bool> cancel{false};
    FileCopyProgressWindow window(progress, title, owner);
    QObject::connect(&window, &FileCopyProgressWindow::cancelRequested, &window,
                     [&cancel] { cancel.store(true); });

    // The copying thread asks on the UI thread and waits for the answer there.
    FileCopier::Callbacks callbacks;
    callbacks.askOverwrite = [&](const QString &target) {
        OverwriteAnswer answer = OverwriteAnswer::None;
        QMetaObject::invokeMethod(
            &window, [&] { answer = m_prompts->AskOverwrite(&window, target); },
            Qt::BlockingQueuedConnection);
        return answer;
    };
    callbacks.reportFailure = [&](const QString &message) {
        QMetaObject::invokeMethod(
            &window, [&] { m_prompts->ShowFailure(&window, message); },
            Qt::BlockingQueuedConnection);
    };

    window.show();
    if (m_windowShown)
        m_windowShown(window);

    QEventLoop loop;
    std::vector<FileCopyResult> results;
    {
        FileCopier copier(m_io);
        std::jthread worker([&] {
            results = copier.Run(jobs, callbacks, progress, cancel);
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
        loop.exec();
    } // the worker has ended here
    window.hide();
    return results;
}

OverwriteAnswer FileCopyPromptsQt::AskOverwrite(QWidget *owner, const QString &target)
{
    const QFileInfo info(target);
    QMessageBox box(owner);
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowTitle(owner ? owner->windowTitle() : QString());
    box.setText(QStringLiteral("\"%1\" already exists in \"%2\".\nDo you want to replace it?")
                    .arg(info.fileName(), info.absolutePath()));
    struct Choice {
        const char *text;
        QMessageBox::ButtonRole role;
        OverwriteAnswer answer;
    };
    static constexpr Choice kChoices[] = {
        {"Overwrite", QMessageBox::YesRole, OverwriteAnswer::Overwrite},
        {"Skip", QMessageBox::NoRole, OverwriteAnswer::Skip},
        {"Overwrite all", QMessageBox::YesRole, OverwriteAnswer::OverwriteAll},
        {"Cancel", QMessageBox::RejectRole, OverwriteAnswer::Cancel},
    };
    std::vector<std::pair<QAbstractButton *, OverwriteAnswer>> buttons;
    for (const Choice &choice : kChoices)
        buttons.emplace_back(box.addButton(QString::fromLatin1(choice.text), choice.role),
                             choice.answer);
    box.setDefaultButton(qobject_cast<QPushButton *>(buttons[1].first)); // keeping is safe
    box.setEscapeButton(buttons[3].first);
    box.exec();
    for (const auto &[button, answer] : buttons)
        if (box.clickedButton() == button)
            return answer;
    return OverwriteAnswer::Cancel;
}

void FileCopyPromptsQt::ShowFailure(QWidget *owner, const QString &message)
{
    QMessageBox box(owner);
    box.setIcon(QMessageBox::NoIcon); // like every message box of the viewer
    box.setWindowTitle(owner ? owner->windowTitle() : QString());
    box.setText(message);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}
