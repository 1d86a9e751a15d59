#include "library/widgets/CSelectMonthDlg.h"

#include "platform/Dialogs.h"
#include "ui/CTextTable.h"

#include <QCalendarWidget>
#include <QDate>
#include <QDateTime>
#include <QPushButton>

#include <array>

namespace
{
// Template 316: the dialog, the calendar, OK and Cancel.
constexpr CSelectMonthDlg::TemplateItem kDialog{CSelectMonthDlg::IDD, 0, 0, 149, 115};
constexpr std::array<CSelectMonthDlg::TemplateItem, 3> kControls{{
    {CSelectMonthDlg::IDC_MONTHCALENDAR, 0, 0, 149, 100},
    {1, 24, 101, 50, 14}, // OK
    {2, 75, 101, 50, 14}, // Cancel
}};
// Dialog base units of the dialog font (average character 6 x 13 pixels): x is a quarter of
// the width, y an eighth of the height.
constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;
} // namespace

QRect CSelectMonthDlg::DialogUnitsToPixels(const TemplateItem &item)
{
    return QRect(item.x * kBaseUnitX / 4, item.y * kBaseUnitY / 8, item.cx * kBaseUnitX / 4,
                 item.cy * kBaseUnitY / 8);
}

CSelectMonthDlg::CSelectMonthDlg(QWidget *parent) : QDialog(parent)
{
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_pMonthCalendar = new QCalendarWidget(this);
    m_pMonthCalendar->setObjectName(QStringLiteral("1094"));
    m_pMonthCalendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    m_pMonthCalendar->setGridVisible(false);
    // The template's calendar is small: a smaller face keeps the day names whole.
    QFont calendarFont = m_pMonthCalendar->font();
    calendarFont.setPixelSize(11);
    m_pMonthCalendar->setFont(calendarFont);
    m_pOk = new QPushButton(tr("OK"), this);
    m_pOk->setDefault(true);
    m_pCancel = new QPushButton(tr("Cancel"), this);

    const std::array<QWidget *, 3> widgets{m_pMonthCalendar, m_pOk, m_pCancel};
    for (std::size_t i = 0; i < kControls.size(); ++i)
        widgets[i]->setGeometry(DialogUnitsToPixels(kControls[i]));
    setFixedSize(DialogUnitsToPixels(kDialog).size());

    connect(m_pOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pMonthCalendar, &QCalendarWidget::selectionChanged, this,
            &CSelectMonthDlg::OnSelChange);
}

CSelectMonthDlg::~CSelectMonthDlg() = default;

int CSelectMonthDlg::DoModal(IDialogs &dialogs)
{
    OnInitDialog();
    return dialogs.RunModal(*this);
}

void CSelectMonthDlg::OnInitDialog()
{
    setWindowTitle(CTextTable().GetText(QStringLiteral("MONTHDLG_TITLE")));
    const QDate today = QDate::currentDate();
    m_pMonthCalendar->setSelectedDate(today);
    m_pMonthCalendar->setCurrentPage(today.year(), today.month());
    OnSelChange();
    m_pOk->setFocus();
}

void CSelectMonthDlg::OnSelChange()
{
    // Start of the selected day; startOfDay copes with days that begin after 00:00.
    m_timeChosen = m_pMonthCalendar->selectedDate().startOfDay().toSecsSinceEpoch();
}
