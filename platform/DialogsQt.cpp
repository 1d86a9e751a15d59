#include "platform/DialogsQt.h"

#include "platform/DialogsFolderBrowser.h"
#include "platform/PlatformLogging.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

DialogResult DialogsQt::MessageBox(QWidget *owner, const QString &text, MessageBoxButtons buttons,
                                   const QString &caption)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
        qCWarning(lcPlatform) << "no widget application; message box not shown:" << text;
        return DialogResult::None;
    }
    QMessageBox box(owner);
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowTitle(caption.isEmpty() ? QGuiApplication::applicationDisplayName() : caption);
    box.setText(text);
    if (buttons == MessageBoxButtons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    const int answer = box.exec();
    if (answer == QMessageBox::Ok)
        return DialogResult::Ok;
    return buttons == MessageBoxButtons::Ok ? DialogResult::Ok : DialogResult::Cancel;
}

std::optional<QString> DialogsQt::BrowseForFolder(QWidget *owner,
                                                  const FolderBrowserRequest &request)
{
    DialogsFolderBrowser browser(owner, request.caption, request.title, request.newFolderButton);
    browser.SelectFolder(request.initialFolder);
    if (browser.exec() != QDialog::Accepted)
        return std::nullopt;
    return browser.SelectedFolder();
}

std::optional<QString> DialogsQt::GetSaveFileName(QWidget *owner, const SaveFileRequest &request)
{
    QFileDialog dialog(owner, request.caption);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!request.initialFolder.isEmpty())
        dialog.setDirectory(request.initialFolder);
    const QStringList filters = NameFiltersFromWindowsFilter(request.filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    if (!request.defaultExtension.isEmpty())
        dialog.setDefaultSuffix(request.defaultExtension);
    if (!request.overwritePrompt)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!request.defaultName.isEmpty())
        dialog.selectFile(request.defaultName);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.front().isEmpty())
        return std::nullopt;
    return QFileInfo(files.front()).absoluteFilePath();
}

int DialogsQt::RunModal(QDialog &dialog)
{
    return dialog.exec();
}

QStringList DialogsQt::NameFiltersFromWindowsFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString &pattern : patterns)
            pattern = pattern.trimmed();
        patterns.removeAll(QString());
        if (patterns.isEmpty())
            continue;
        const QString joined = patterns.join(QLatin1Char(' '));
        // Qt reads the patterns from the last parentheses, so they always go last; a
        // description that already ends with them is kept as it is.
        const QString suffix = QStringLiteral("(%1)").arg(joined);
        result.append(description.endsWith(suffix)
                          ? description
                          : QStringLiteral("%1 %2").arg(description, suffix).trimmed());
    }
    return result;
}

std::unique_ptr<IDialogs> CreateDialogs()
{
    return std::make_unique<DialogsQt>();
}
