#include "library/widgets/CSelectDriveDlg.h"

#include "platform/Drives.h"
#include "ui/CTextTable.h"
#include "ui/SkinBitmap.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QStylePainter>

#include <algorithm>
#include <array>

namespace
{

// Dialog units of the template's font (8-point dialog font: 6 x 13 pixel base units).
constexpr double kDluX = 1.5;
constexpr double kDluY = 1.625;

QRect FromDialogUnits(int x, int y, int w, int h)
{
    return QRect(qRound(x * kDluX), qRound(y * kDluY), qRound(w * kDluX), qRound(h * kDluY));
}

struct ControlRect {
    int id;
    int x, y, w, h; // dialog units
};

// Template 130: 191 x 72; the combo's height is its closed field (the template's 45 units
// are the dropped-down list).
constexpr int kDialogWidth = 191;
constexpr int kDialogHeight = 72;
constexpr std::array<ControlRect, 4> kControls = {{
    {CSelectDriveDlg::IDC_COMBO_DRIVE, 52, 7, 124, 13},
    {1, 70, 51, 50, 14},
    {CSelectDriveDlg::IDC_STATIC_DRIVE, 13, 10, 38, 8},
    {CSelectDriveDlg::IDC_STATIC_SELECT, 7, 32, 177, 8},
}};

QRect RectOf(int id)
{
    for (const ControlRect &c : kControls) {
        if (c.id == id) {
            return FromDialogUnits(c.x, c.y, c.w, c.h);
        }
    }
    return {};
}

} // namespace

CSelectDriveDlg::CSelectDriveDlg(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("CSelectDriveDlg"));
    setModal(true);
    setFont(MakeSkinFont(QStringLiteral("MS Sans Serif"), 13, 400));
    setFixedSize(FromDialogUnits(0, 0, kDialogWidth, kDialogHeight).size());

    m_comboDrive = new QComboBox(this);
    m_comboDrive->setObjectName(QStringLiteral("1024"));
    m_comboDrive->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_comboDrive->setGeometry(RectOf(IDC_COMBO_DRIVE).adjusted(0, 0, 0, 8));
    m_comboDrive->installEventFilter(this);

    m_buttonOk = new QPushButton(this);
    m_buttonOk->setObjectName(QStringLiteral("1"));
    m_buttonOk->setText(QStringLiteral("OK"));
    m_buttonOk->setDefault(true);
    m_buttonOk->setGeometry(RectOf(1));
    connect(m_buttonOk, &QPushButton::clicked, this, &CSelectDriveDlg::OnOK);

    m_staticDrive = new QLabel(this);
    m_staticDrive->setObjectName(QStringLiteral("1095"));
    m_staticDrive->setGeometry(RectOf(IDC_STATIC_DRIVE).adjusted(0, -2, 0, 2));

    m_staticSelect = new QLabel(this);
    m_staticSelect->setObjectName(QStringLiteral("1096"));
    m_staticSelect->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_staticSelect->setGeometry(RectOf(IDC_STATIC_SELECT).adjusted(0, -2, 0, 4));
}

bool CSelectDriveDlg::OnInitDialog()
{
    const CTextTable texts;
    setWindowTitle(texts.GetText(QStringLiteral("SELECTDLG_TITLE")));
    m_staticDrive->setText(texts.GetText(QStringLiteral("SELECTDLG_CONTEXT1_1")));
    m_staticSelect->setText(texts.GetText(QStringLiteral("SELECTDLG_CONTEXT1_2")));
    m_staticDrive->update();
    m_staticSelect->update();

    m_comboDrive->clear();
    for (const RemovableDrive &drive : ListRemovableDrives()) {
        const QString name = drive.label.isEmpty()
                                 ? texts.GetText(QStringLiteral("SELECTDLG_CONTEXT1_3"))
                                 : drive.label;
        AddSorted(QStringLiteral("%1[%2]").arg(drive.root, name), drive.root);
    }
    if (m_comboDrive->count() == 0) {
        reject(); // the drive vanished before the dialog came up
        return false;
    }
    m_comboDrive->setCurrentIndex(0);
    // Mount points are longer than drive letters: the open list shows every entry whole.
    int widest = 0;
    for (int i = 0; i < m_comboDrive->count(); ++i) {
        widest = std::max(widest,
                          m_comboDrive->fontMetrics().horizontalAdvance(m_comboDrive->itemText(i)));
        m_comboDrive->setItemData(i, m_comboDrive->itemText(i), Qt::ToolTipRole);
    }
    m_comboDrive->view()->setMinimumWidth(widest + 24);
    return true;
}

void CSelectDriveDlg::AddSorted(const QString &entry, const QString &root)
{
    // A sorted combo box orders its entries without regard to case.
    int index = 0;
    while (index < m_comboDrive->count() &&
           m_comboDrive->itemText(index).compare(entry, Qt::CaseInsensitive) <= 0) {
        ++index;
    }
    m_comboDrive->insertItem(index, entry, root);
}

void CSelectDriveDlg::DoDataExchange()
{
    m_strDrive = m_comboDrive->currentText();
    const QVariant root = m_comboDrive->currentData();
    m_strDriveRoot = root.isValid() ? root.toString() : RootOfEntry(m_strDrive);
}

void CSelectDriveDlg::OnOK()
{
    DoDataExchange();
    accept();
}

QStyleOptionComboBox CSelectDriveDlg::ComboStyleOption() const
{
    QStyleOptionComboBox option;
    option.initFrom(m_comboDrive);
    option.editable = false;
    option.frame = true;
    option.subControls = QStyle::SC_All;
    if (m_comboDrive->view()->isVisible()) {
        option.state |= QStyle::State_On;
    }
    option.currentText = m_comboDrive->currentText();
    return option;
}

QString CSelectDriveDlg::DisplayedEntry() const
{
    const QStyleOptionComboBox option = ComboStyleOption();
    const QRect field = m_comboDrive->style()->subControlRect(
        QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, m_comboDrive);
    // The style draws the label one pixel in from each side of the field.
    return m_comboDrive->fontMetrics().elidedText(option.currentText, Qt::ElideLeft,
                                                  field.width() - 2);
}

void CSelectDriveDlg::PaintCombo()
{
    QStylePainter painter(m_comboDrive);
    QStyleOptionComboBox option = ComboStyleOption();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    option.currentText = DisplayedEntry();
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

bool CSelectDriveDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_comboDrive && event->type() == QEvent::Paint) {
        PaintCombo();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

QString CSelectDriveDlg::RootOfEntry(const QString &entry)
{
    const qsizetype bracket = entry.lastIndexOf(QLatin1Char('['));
    return bracket < 0 ? entry : entry.left(bracket);
}
