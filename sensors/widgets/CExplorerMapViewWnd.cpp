#include "sensors/widgets/CExplorerMapViewWnd.h"

#include "platform/EmbeddedBrowser.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QPainter>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace
{

// The page's paper colour, shown before the page draws and where no page is loaded.
constexpr QRgb kPaper = qRgb(0xf2, 0xef, 0xe9);

} // namespace

CExplorerMapViewWnd::CExplorerMapViewWnd(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

CExplorerMapViewWnd::~CExplorerMapViewWnd()
{
    // The page answers the scripts still running as it goes, with no result. The window that
    // asked is half destroyed by then (a derived window's part is gone), so nobody is told.
    m_bClosing = true;
    // The page belongs to the view; both go before the profile they use.
    m_view.reset();
}

void CExplorerMapViewWnd::EnsureView()
{
    if (m_view)
        return;
    PrepareEmbeddedBrowser();
    // Off the record: tiles are cached in memory only, nothing is written to the user's home.
    m_profile = std::make_unique<QWebEngineProfile>();
    m_profile->setHttpUserAgent(m_profile->httpUserAgent() + QStringLiteral(" Quorvil"));
    m_view = std::make_unique<QWebEngineView>();
    auto *page = new QWebEnginePage(m_profile.get(), m_view.get());
    // The local page fetches its tiles from the tile server.
    page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    page->setBackgroundColor(QColor(kPaper));
    m_view->setPage(page);
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    connect(m_view.get(), &QWebEngineView::loadFinished, this,
            &CExplorerMapViewWnd::OnLoadFinished);
    layout()->addWidget(m_view.get());
}

void CExplorerMapViewWnd::Navigate(const QUrl &url)
{
    EnsureView();
    m_bPageLoaded = false;
    m_view->load(url);
}

void CExplorerMapViewWnd::OnLoadFinished(bool ok)
{
    m_bPageLoaded = ok;
    if (ok && m_pending) {
        PendingCall pending = std::move(*m_pending);
        m_pending.reset();
        Run(pending.call, std::move(pending.done));
    }
    emit pageLoaded(ok);
}

bool CExplorerMapViewWnd::ExecScript(const QString &url, ScriptResult done)
{
    std::optional<ScriptCall> call = ParseScriptCall(url);
    if (!call)
        return false;
    if (!m_bPageLoaded) {
        m_pending = PendingCall{std::move(*call), std::move(done)};
        return true;
    }
    Run(*call, std::move(done));
    return true;
}

void CExplorerMapViewWnd::Run(const ScriptCall &call, ScriptResult done)
{
    // The page, and with it every answer, goes before this window does.
    m_view->page()->runJavaScript(
        ToJavaScript(call), [this, done = std::move(done)](const QVariant &r) {
            if (done && !m_bClosing)
                done(r.typeId() == QMetaType::QString ? r.toString() : QString());
        });
}

std::optional<CExplorerMapViewWnd::ScriptCall>
CExplorerMapViewWnd::ParseScriptCall(const QString &url)
{
    static const QString kScheme = QStringLiteral("javascript:");
    static const QRegularExpression kIdentifier(QStringLiteral("^[A-Za-z_$][A-Za-z0-9_$]*$"));
    static const QRegularExpression kDelimiters(QStringLiteral("[ ,'\"\\t();]+"));

    if (url.isEmpty())
        return std::nullopt;
    const qsizetype scheme = url.indexOf(kScheme);
    const QString text = scheme < 0 ? url : url.mid(scheme + kScheme.size());
    const qsizetype open = text.indexOf(QLatin1Char('('));
    ScriptCall call;
    call.function = (open < 0 ? text : text.left(open)).trimmed();
    if (!kIdentifier.match(call.function).hasMatch())
        return std::nullopt;
    if (open >= 0)
        call.arguments = text.mid(open + 1).split(kDelimiters, Qt::SkipEmptyParts);
    return call;
}

QString CExplorerMapViewWnd::ToJavaScript(const ScriptCall &call)
{
    QJsonArray values;
    values.append(call.function);
    for (const QString &argument : call.arguments)
        values.append(argument);
    // JSON text is a valid script literal; the two line separators are escaped for engines
    // that predate that rule.
    QString literal = QString::fromUtf8(QJsonDocument(values).toJson(QJsonDocument::Compact));
    literal.replace(QChar(0x2028), QStringLiteral("\\u2028"));
    literal.replace(QChar(0x2029), QStringLiteral("\\u2029"));
    return QStringLiteral("(function (c) {"
                          " var f = window[c[0]];"
                          " if (typeof f !== 'function') return null;"
                          " var r = f.apply(window, c.slice(1));"
                          " return typeof r === 'string' ? r : null;"
                          "})(%1)")
        .arg(literal);
}

void CExplorerMapViewWnd::paintEvent(QPaintEvent *)
{
    if (m_view)
        return;
    QPainter(this).fillRect(rect(), QColor(kPaper));
}
