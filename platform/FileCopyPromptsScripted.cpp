#include "platform/FileCopyPromptsScripted.h"

OverwriteAnswer FileCopyPromptsScripted::AskOverwrite(QWidget *, const QString &target)
{
    m_questions.push_back(target);
    if (m_answers.empty()) {
        ++m_unscripted;
        return OverwriteAnswer::Cancel;
    }
    const OverwriteAnswer answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

void FileCopyPromptsScripted::ShowFailure(QWidget *, const QString &message)
{
    m_failures.push_back(message);
}
