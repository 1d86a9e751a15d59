#include "library/widgets/CInformationDlg.h"

#include "library/CardInformation.h"
#include "platform/Drives.h"
#include "ui/AppMainWindow.h"
#include "ui/CKipSkinButton.h"
#include "ui/CKipStaticTrans.h"
#include "ui/CTextTable.h"
#include "ui/SkinBitmap.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <algorithm>

namespace
{

enum class Look {
    Label,         // the static's own look
    Heading,       // bold 17, light grey
    HeadingAccent, // bold 17, orange
    Value,         // orange on a solid dark background
};

struct StaticDef {
    int id;
    const char *key;     // text key, or null for a value
    const char *initial; // initial text of a value
    QRect rect;
    Look look;
};

// In member order.
const std::array<StaticDef, CInformationDlg::kStaticCount> kStatics = {{
    {10101, "INFODLG_INFORMATION", nullptr, {14, 6, 200, 15}, Look::HeadingAccent},
    {10102, "INFODLG_MEMORY_INFORMATION", nullptr, {24, 38, 200, 15}, Look::Heading},
    {10103, "INFODLG_TOTAL_SPACE", nullptr, {26, 66, 140, 15}, Look::Label},
    {10109, nullptr, "0.0 GB", {90, 66, 60, 15}, Look::Value},
    {10110, "INFODLG_FREE_SPACE", nullptr, {26, 86, 131, 15}, Look::Label},
    {10111, nullptr, "0.0 GB", {130, 86, 60, 15}, Look::Value},
    {10112, "INFODLG_USED_SPACE", nullptr, {26, 106, 150, 15}, Look::Label},
    {10113, "INFODLG_NORMAL", nullptr, {37, 126, 110, 15}, Look::Label},
    {10114, nullptr, "0.0 GB", {73, 126, 60, 15}, Look::Value},
    {10115, "INFODLG_EVENT", nullptr, {37, 146, 61, 15}, Look::Label},
    {10116, nullptr, "4.5 GB", {85, 146, 60, 15}, Look::Value},
    {10117, "INFODLG_MOTION", nullptr, {37, 166, 150, 15}, Look::Label},
    {10118, nullptr, "0.0 GB", {73, 166, 100, 15}, Look::Value},
    {10104, "INFODLG_VERSION_INFORMATION", nullptr, {24, 225, 270, 15}, Look::Heading},
    {10105, "INFODLG_FIRMWARE_VERSION", nullptr, {26, 252, 250, 15}, Look::Label},
    {10119, nullptr, "1.0.0", {132, 252, 60, 15}, Look::Value},
    {10122, "INFODLG_PCMANAGER_VERSION", nullptr, {26, 271, 190, 15}, Look::Label},
    {10123, nullptr, "", {132, 271, 60, 15}, Look::Value},
    {10106, "INFODLG_AS_TITLE", nullptr, {24, 324, 270, 15}, Look::Heading},
    {10107, "INFODLG_AS_INFO", nullptr, {26, 352, 200, 15}, Look::Label},
    {10108, "INFODLG_AS_TEL", nullptr, {26, 371, 200, 15}, Look::Label},
}};

// Rectangles per language: Korean, English, Japanese, Russian. Statics not listed keep theirs.
struct LanguageLayout {
    int id;
    std::array<QRect, 4> rects;
};

const std::array<LanguageLayout, 16> kLayouts = {{
    {10103, {{{26, 66, 140, 15}, {26, 66, 115, 15}, {26, 66, 55, 15}, {26, 66, 136, 15}}}},
    {10109, {{{90, 66, 60, 15}, {143, 66, 60, 15}, {84, 66, 60, 15}, {164, 66, 60, 15}}}},
    {10110, {{{26, 86, 131, 15}, {26, 86, 110, 15}, {26, 86, 80, 15}, {26, 86, 65, 15}}}},
    {10111, {{{130, 86, 60, 15}, {139, 86, 60, 15}, {108, 86, 60, 15}, {92, 86, 60, 15}}}},
    {10112, {{{26, 106, 150, 15}, {26, 106, 110, 15}, {26, 106, 150, 15}, {26, 106, 150, 15}}}},
    {10113, {{{37, 126, 110, 15}, {37, 126, 50, 15}, {37, 126, 33, 15}, {37, 126, 48, 15}}}},
    {10114, {{{73, 126, 60, 15}, {87, 126, 60, 15}, {71, 126, 60, 15}, {85, 126, 60, 15}}}},
    {10115, {{{37, 146, 61, 15}, {37, 146, 40, 15}, {37, 146, 55, 15}, {37, 146, 58, 15}}}},
    {10116, {{{85, 146, 60, 15}, {76, 146, 60, 15}, {95, 146, 60, 15}, {96, 146, 60, 15}}}},
    {10117, {{{37, 166, 150, 15}, {37, 166, 50, 15}, {37, 166, 68, 15}, {37, 166, 65, 15}}}},
    {10118, {{{73, 166, 100, 15}, {86, 166, 100, 15}, {107, 166, 100, 15}, {103, 166, 100, 15}}}},
    {10105, {{{26, 252, 135, 15}, {26, 252, 170, 15}, {26, 252, 213, 15}, {26, 252, 108, 15}}}},
    {10119, {{{163, 252, 60, 15}, {192, 252, 60, 15}, {241, 252, 60, 15}, {136, 252, 60, 15}}}},
    {10122, {{{26, 271, 190, 15}, {26, 271, 120, 15}, {26, 271, 135, 15}, {26, 271, 160, 15}}}},
    {10123, {{{132, 271, 60, 15}, {146, 271, 60, 15}, {162, 271, 60, 15}, {188, 271, 60, 15}}}},
    {10107, {{{26, 352, 200, 15}, {26, 352, 200, 15}, {26, 352, 200, 15}, {26, 352, 270, 45}}}},
}};

constexpr int kBackgroundBitmap = 493;
constexpr QRect kCloseRect(307, 4, 28, 22);
constexpr std::array<int, 5> kCloseBitmaps = {494, 496, 495, 494, 494};
const QColor kAccent(239, 183, 26);
const QColor kHeadingGrey(211, 211, 211);
const QColor kValueBackground(30, 30, 30);
constexpr int kValueIds[] = {CInformationDlg::IDC_TOTAL, CInformationDlg::IDC_FREE,
                             CInformationDlg::IDC_NORMAL, CInformationDlg::IDC_EVENT,
                             CInformationDlg::IDC_MOTION};

// Some translations are longer than the rectangles their language's layout gives them; such a
// text is drawn smaller, down to this font height, and beyond that cut short with an ellipsis
// (the whole text then shows as its tooltip), so it never runs under the value beside it.
constexpr int kMinFontHeight = 13;
// Between the end of a label's text and the value after it.
constexpr int kTextGap = 4;
// The face CKipStaticTrans draws with; its design ascent places the baseline.
const QString kStaticFace = QStringLiteral("맑은 고딕");

int DesignFontHeight(Look look)
{
    return look == Look::Heading || look == Look::HeadingAccent ? 17 : 16;
}

// Where the static puts the baseline of its first line below its top, with `font` at `height`.
int BaselineOf(const QFont &font, int height)
{
    return std::min(QFontMetrics(font).ascent(), SkinFontWindowsAscent(kStaticFace, height));
}

bool LinesFit(const QStringList &lines, const QFont &font, int room)
{
    const QFontMetrics metrics(font);
    return std::all_of(lines.begin(), lines.end(), [&](const QString &line) {
        return metrics.horizontalAdvance(line) <= room;
    });
}

// Cuts `line` to `room` pixels after a whole word where it can, keeping a closing ":"
// ("Свободный объем памяти :" becomes "Свободный… :"); a text without spaces is cut anywhere.
QString ElideAtWords(const QString &line, const QFontMetrics &metrics, int room)
{
    if (metrics.horizontalAdvance(line) <= room) {
        return line;
    }
    QString body = line.trimmed();
    QString suffix;
    if (body.endsWith(QLatin1Char(':'))) {
        body.chop(1);
        suffix = body.endsWith(QLatin1Char(' ')) ? QStringLiteral(" :") : QStringLiteral(":");
        body = body.trimmed();
    }
    const QStringList words = body.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (qsizetype kept = words.size() - 1; kept > 0; --kept) {
        const QString shortened =
            QStringList(words.mid(0, kept)).join(QLatin1Char(' ')) + QChar(0x2026) + suffix;
        if (metrics.horizontalAdvance(shortened) <= room) {
            return shortened;
        }
    }
    return metrics.elidedText(line, Qt::ElideRight, room);
}

int LanguageColumn(std::uint16_t language)
{
    switch (language) {
    case CTextTable::kKorean:
        return 0;
    case CTextTable::kEnglish:
        return 1;
    case CTextTable::kJapanese:
        return 2;
    case CTextTable::kRussian:
        return 3;
    default:
        return -1;
    }
}

} // namespace

CInformationDlg::CInformationDlg(const QString &libraryRoot, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_strLibraryRoot(libraryRoot)
{
    setObjectName(QStringLiteral("CInformationDlg"));
    setModal(false);
}

CInformationDlg::~CInformationDlg() = default;

void CInformationDlg::OnInitDialog()
{
    setFixedSize(kWidth, kHeight);
    if (const QWidget *owner = parentWidget()) {
        const QPoint centre = owner->mapToGlobal(owner->rect().center());
        move(centre - QPoint(kWidth / 2, kHeight / 2));
    }

    const CTextTable texts;
    m_btnClose = new CKipSkinButton(this, CKipSkinButton::Kind::Push, IDC_CLOSE);
    m_btnClose->setObjectName(QString::number(IDC_CLOSE));
    m_btnClose->setGeometry(kCloseRect);
    m_btnClose->SetBitmaps(kCloseBitmaps[0], kCloseBitmaps[1], kCloseBitmaps[2], kCloseBitmaps[3],
                           kCloseBitmaps[4]);
    m_btnClose->SetTooltipText(texts.GetText(QStringLiteral("INFODLG_CLOSE")));
    connect(m_btnClose, &CKipSkinButton::clicked, this, &CInformationDlg::reject);

    CreateStatics();
    FillValues();
    const IAppMainWindow *mainWindow = GetAppMainWindow();
    LayoutForLanguage(mainWindow ? mainWindow->GetLanguage() : 0);
}

void CInformationDlg::CreateStatics()
{
    const CTextTable texts;
    for (std::size_t i = 0; i < kStatics.size(); ++i) {
        const StaticDef &def = kStatics[i];
        auto *label = new CKipStaticTrans(this, def.id);
        label->setObjectName(QString::number(def.id));
        m_strTexts[i] = def.key ? texts.GetText(QString::fromLatin1(def.key))
                                : QString::fromLatin1(def.initial);
        label->setText(m_strTexts[i]);
        label->setGeometry(QRect());
        label->SetFontWeight(400);
        label->SetFontHeight(16);
        label->setGeometry(def.rect);
        switch (def.look) {
        case Look::Heading:
        case Look::HeadingAccent:
            label->SetFontWeight(700);
            label->SetFontHeight(17);
            label->SetTextColor(def.look == Look::HeadingAccent ? kAccent : kHeadingGrey);
            break;
        case Look::Value:
            label->SetTextColor(kAccent);
            label->SetBackgroundColor(kValueBackground);
            break;
        case Look::Label:
            break;
        }
        label->show();
        m_statics[i] = label;
    }
}

void CInformationDlg::FillValues()
{
    if (!m_strLibraryRoot.isEmpty()) {
        // The drive that holds the library; its mount point plays the drive root.
        const std::optional<RemovableDrive> drive = RemovableDriveOf(m_strLibraryRoot);
        const QString root = drive ? drive->root : m_strLibraryRoot;

        double totalMiB = 0;
        double freeMiB = 0;
        if (const std::optional<DriveSpace> space = GetDriveSpace(root)) {
            totalMiB = static_cast<double>(space->totalBytes >> 20);
            freeMiB = static_cast<double>(space->freeBytesAvailable >> 20);
        }
        const QString recordings = CardInformation::PathOnCard(root, QStringLiteral("Recordings"));
        auto categoryMiB = [&](const char *token) {
            return static_cast<double>(
                       CardInformation::SumCategoryKiB(recordings, QString::fromLatin1(token))) /
                   1024.0;
        };
        SetStaticText(IDC_TOTAL, CardInformation::FormatCapacity(totalMiB));
        SetStaticText(IDC_FREE, CardInformation::FormatCapacity(freeMiB));
        SetStaticText(IDC_NORMAL, CardInformation::FormatCapacity(categoryMiB("NOR")));
        SetStaticText(IDC_EVENT, CardInformation::FormatCapacity(categoryMiB("EVT")));
        SetStaticText(IDC_MOTION, CardInformation::FormatCapacity(categoryMiB("MOT")));
        SetStaticText(IDC_FIRMWARE, CardInformation::ReadFirmwareVersion(root));
    }
    const CTextTable texts;
    SetStaticText(IDC_VIEWER_VERSION, texts.GetText(QStringLiteral("PLAYERDLG_VERSION")));
}

void CInformationDlg::LayoutForLanguage(std::uint16_t language)
{
    const int column = LanguageColumn(language);
    if (column >= 0) {
        for (const LanguageLayout &layout : kLayouts) {
            if (CKipStaticTrans *label = Static(layout.id)) {
                label->setGeometry(layout.rects[static_cast<std::size_t>(column)]);
            }
        }
    }
    for (std::size_t i = 0; i < m_statics.size(); ++i) {
        FitText(i);
    }
}

void CInformationDlg::SetStaticText(int id, const QString &text)
{
    for (std::size_t i = 0; i < kStatics.size(); ++i) {
        if (kStatics[i].id == id && m_statics[i]) {
            m_strTexts[i] = text;
            FitText(i);
            m_statics[i]->RefreshBehind();
            m_statics[i]->update();
            return;
        }
    }
}

// The width a static's text may take: its own, up to the static that begins inside it on the
// same row (a label's value), which would paint over the rest.
int CInformationDlg::TextRoom(std::size_t index) const
{
    const QRect rect = m_statics[index]->geometry();
    int room = rect.width();
    for (std::size_t j = 0; j < m_statics.size(); ++j) {
        const QRect other = m_statics[j]->geometry();
        const bool sameRow = other.top() <= rect.bottom() && other.bottom() >= rect.top();
        if (j != index && sameRow && other.left() > rect.left() && other.left() <= rect.right()) {
            room = std::min(room, other.left() - rect.left() - kTextGap);
        }
    }
    return std::max(0, room);
}

void CInformationDlg::FitText(std::size_t index)
{
    CKipStaticTrans *label = m_statics[index];
    const QString &text = m_strTexts[index];
    const int designHeight = DesignFontHeight(kStatics[index].look);
    const int room = TextRoom(index);
    const QStringList lines = text.split(QLatin1Char('\n'));

    int height = designHeight;
    label->SetFontHeight(height);
    const int designBaseline = BaselineOf(label->font(), height);
    while (height > kMinFontHeight && !LinesFit(lines, label->font(), room)) {
        label->SetFontHeight(--height);
    }
    const QFontMetrics metrics(label->font());
    QStringList shown;
    for (const QString &line : lines) {
        shown << ElideAtWords(line, metrics, room);
    }
    const QString fitted = shown.join(QLatin1Char('\n'));
    // A smaller text keeps the baseline of its row.
    label->setContentsMargins(0, std::max(0, designBaseline - BaselineOf(label->font(), height)), 0,
                              0);
    label->setText(fitted);
    label->setToolTip(fitted == text ? QString() : text);
}

void CInformationDlg::ResetForCardRemoval()
{
    for (const int id : kValueIds) {
        SetStaticText(id, QStringLiteral("0.0 GB"));
    }
    SetStaticText(IDC_FIRMWARE, QString());
    hide();
}

CKipStaticTrans *CInformationDlg::Static(int id) const
{
    for (std::size_t i = 0; i < kStatics.size(); ++i) {
        if (kStatics[i].id == id) {
            return m_statics[i];
        }
    }
    return nullptr;
}

void CInformationDlg::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, LoadSkinBitmap(kBackgroundBitmap));
}

// The whole body answers as a caption: a press anywhere drags the window.
void CInformationDlg::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        // The window manager moves the window where it can; Wayland allows no other way.
        if (QWindow *window = windowHandle(); window && window->startSystemMove()) {
            event->accept();
            return;
        }
        m_bDragging = true;
        m_ptDragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
        event->accept();
        return;
    }
    QDialog::mousePressEvent(event);
}

void CInformationDlg::mouseMoveEvent(QMouseEvent *event)
{
    if (m_bDragging && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - m_ptDragOffset);
        event->accept();
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void CInformationDlg::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_bDragging = false;
    }
    QDialog::mouseReleaseEvent(event);
}
