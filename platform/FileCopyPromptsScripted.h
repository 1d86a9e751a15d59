#pragma once

#include "platform/FileOperations.h"

#include <deque>
#include <vector>

// Copy prompts answered from a script, for tests: overwrite answers in order (Cancel when none
// is left, counted in UnscriptedCalls()), every question and failure recorded.
class FileCopyPromptsScripted : public IFileCopyPrompts
{
public:
    void QueueOverwriteAnswer(OverwriteAnswer answer) { m_answers.push_back(answer); }

    const std::vector<QString> &OverwriteQuestions() const { return m_questions; }
    const std::vector<QString> &Failures() const { return m_failures; }
    int UnscriptedCalls() const { return m_unscripted; }

    OverwriteAnswer AskOverwrite(QWidget *owner, const QString &target) override;
    void ShowFailure(QWidget *owner, const QString &message) override;

private:
    std::deque<OverwriteAnswer> m_answers;
    std::vector<QString> m_questions;
    std::vector<QString> m_failures;
    int m_unscripted = 0;
};
