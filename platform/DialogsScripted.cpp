#include "platform/DialogsScripted.h"

#include <QDialog>

void DialogsScripted::QueueFolder(const std::optional<QString> &folder)
{
    m_folders.push_back({folder.has_value(), folder.value_or(QString())});
}

void DialogsScripted::QueueSaveFile(const std::optional<QString> &file)
{
    m_saveFiles.push_back({file.has_value(), file.value_or(QString())});
}

std::optional<QString> DialogsScripted::TakePath(std::deque<PathAnswer> &answers)
{
    if (answers.empty()) {
        ++m_unscriptedCalls;
        return std::nullopt;
    }
    const PathAnswer answer = answers.front();
    answers.pop_front();
    if (!answer.chosen)
        return std::nullopt;
    return answer.path;
}

bool DialogsScripted::ScriptConsumed() const
{
    return m_messageBoxAnswers.empty() && m_folders.empty() && m_saveFiles.empty() &&
           m_modalScripts.empty();
}

DialogResult DialogsScripted::MessageBox(QWidget *owner, const QString &text,
                                         MessageBoxButtons buttons, const QString &caption)
{
    m_messageBoxCalls.push_back({owner, text, buttons, caption});
    if (m_messageBoxAnswers.empty()) {
        ++m_unscriptedCalls;
        return buttons == MessageBoxButtons::Ok ? DialogResult::Ok : DialogResult::Cancel;
    }
    const DialogResult answer = m_messageBoxAnswers.front();
    m_messageBoxAnswers.pop_front();
    return answer;
}

std::optional<QString> DialogsScripted::BrowseForFolder(QWidget *owner,
                                                        const FolderBrowserRequest &request)
{
    m_folderCalls.push_back({owner, request});
    return TakePath(m_folders);
}

std::optional<QString> DialogsScripted::GetSaveFileName(QWidget *owner,
                                                        const SaveFileRequest &request)
{
    m_saveFileCalls.push_back({owner, request});
    return TakePath(m_saveFiles);
}

int DialogsScripted::RunModal(QDialog &dialog)
{
    ++m_modalCalls;
    if (m_modalScripts.empty()) {
        ++m_unscriptedCalls;
        dialog.setResult(QDialog::Rejected);
        return QDialog::Rejected;
    }
    ModalScript script = std::move(m_modalScripts.front());
    m_modalScripts.pop_front();
    const int result = script(dialog);
    dialog.setResult(result);
    return result;
}
