#pragma once

#include <QTest>
#include <QVariant>
#include <QWebEnginePage>

#include <optional>

// Runs `script` in the page and waits for its result (an invalid value after 20 s).
inline QVariant Evaluate(QWebEnginePage *page, const QString &script)
{
    std::optional<QVariant> result;
    page->runJavaScript(script, [&](const QVariant &value) { result = value; });
    QTest::qWaitFor([&] { return result.has_value(); }, 20000);
    return result.value_or(QVariant());
}
