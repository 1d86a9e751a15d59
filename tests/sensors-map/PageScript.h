#pragma once

#include <QTest>
#include <QVariant>
#include <QWebEnginePage>

#include <memory>
#include <optional>

// Runs `script` in the page and waits for its result (an invalid value after 20 s; an answer
// that comes later lands in the result the callback shares, not in a returned frame).
inline QVariant Evaluate(QWebEnginePage *page, const QString &script)
{
    auto result = std::make_shared<std::optional<QVariant>>();
    page->runJavaScript(script, [result](const QVariant &value) { *result = value; });
    if (!QTest::qWaitFor([&] { return result->has_value(); }, 20000))
        return QVariant();
    return **result;
}
