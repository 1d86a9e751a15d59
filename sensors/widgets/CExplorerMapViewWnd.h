#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QWebEngineProfile;
class QWebEngineView;

// A window that shows one web page and calls the page's global script functions.
//
// The web view (with its helper processes, a few hundred MB) is created by the first
// navigation and kept from then on, so a viewer that never shows the map never pays for it.
// Script calls made before the page reported that it loaded are not lost: the latest one is
// kept and run once the page has loaded (earlier ones are dropped: only the newest position
// matters).
class CExplorerMapViewWnd : public QWidget
{
    Q_OBJECT
public:
    // A "javascript:" call: the function's name and its arguments, in order, as strings.
    struct ScriptCall {
        QString function;
        QStringList arguments;
        bool operator==(const ScriptCall &) const = default;
    };
    // Receives the script's result: its text when it returned a string, else the empty text.
    using ScriptResult = std::function<void(const QString &)>;

    explicit CExplorerMapViewWnd(QWidget *parent = nullptr);
    ~CExplorerMapViewWnd() override;

    // Loads `url`, creating the web view on the first call. Pending script calls wait for it.
    void Navigate(const QUrl &url);

    // Runs a call string such as "javascript:DrawCurrent('1.5', '2.5','9')" against the page.
    // The result arrives later through `done` (the page runs in another process). False when
    // the string names no function; a call made before the page loaded is kept (the latest
    // only) and runs once it has.
    bool ExecScript(const QString &url, ScriptResult done = {});

    // The call a string names: the text after "javascript:" (or all of it), the function name
    // up to the first '(', trimmed, and the arguments split at runs of blanks, commas, quotes,
    // parentheses and semicolons. None when the name is not a script identifier.
    static std::optional<ScriptCall> ParseScriptCall(const QString &url);
    // The script that runs `call`: every argument is a JSON string literal, so no argument
    // can ever run as code; a name that is not a function of the page does nothing.
    static QString ToJavaScript(const ScriptCall &call);

    bool HasView() const { return m_view != nullptr; }
    bool IsPageLoaded() const { return m_bPageLoaded; }
    // The web view; null until the first navigation.
    QWebEngineView *View() const { return m_view.get(); }

signals:
    // The page navigated to last finished loading (`ok` false: it failed).
    void pageLoaded(bool ok);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    struct PendingCall {
        ScriptCall call;
        ScriptResult done;
    };

    void EnsureView();
    void OnLoadFinished(bool ok);
    void Run(const ScriptCall &call, ScriptResult done);

    // The profile outlives the view and its page.
    std::unique_ptr<QWebEngineProfile> m_profile;
    std::unique_ptr<QWebEngineView> m_view;
    bool m_bPageLoaded = false;
    std::optional<PendingCall> m_pending;
    bool m_bClosing = false; // answers that come now are not delivered
};
