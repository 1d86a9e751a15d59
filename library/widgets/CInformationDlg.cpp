#include "library/widgets/CInformationDlg.h"

#include "library/CardInformation.h"
#include "platform/Drives.h"
#include "ui/AppMainWindow.h"
#include "ui/CKipSkinButton.h"
#include "ui/CKipStaticTrans.h"
#include "ui/CTextTable.h"
#include "ui/SkinBitmap.h"

#include <QMouseEvent>
#include <QPainter>

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
        label->setText(def.key ? texts.GetText(QString::fromLatin1(def.key))
                               : QString::fromLatin1(def.initial));
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
    if (column < 0) {
        return;
    }
    for (const LanguageLayout &layout : kLayouts) {
        if (CKipStaticTrans *label = Static(layout.id)) {
            label->setGeometry(layout.rects[static_cast<std::size_t>(column)]);
        }
    }
}

void CInformationDlg::SetStaticText(int id, const QString &text)
{
    if (CKipStaticTrans *label = Static(id)) {
        label->setText(text);
        label->RefreshBehind();
        label->update();
    }
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
