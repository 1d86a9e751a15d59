#pragma once

#include <QDialog>

#include <cstdint>

class IDialogs;
class QCalendarWidget;
class QPushButton;

// Date selection for the date filter (template 316): a month calendar, OK and Cancel. Every
// run opens on today's date; the chosen date is the calendar's selection, as seconds since
// 1970 at the start of that day in local time.
class CSelectMonthDlg : public QDialog
{
    Q_OBJECT
public:
    static constexpr int IDD = 316;
    static constexpr int IDC_MONTHCALENDAR = 1094;

    explicit CSelectMonthDlg(QWidget *parent = nullptr);
    ~CSelectMonthDlg() override;

    // Initialises the dialog (caption, today's date) and runs it modally through `dialogs`;
    // QDialog::Accepted for OK.
    int DoModal(IDialogs &dialogs);
    // The chosen date (64-bit seconds since 1970); 0 before the first run.
    std::int64_t GetChosenDate() const { return m_timeChosen; }
    QCalendarWidget *GetCalendar() const { return m_pMonthCalendar; }
    QPushButton *GetOkButton() const { return m_pOk; }
    QPushButton *GetCancelButton() const { return m_pCancel; }

    // Template geometry in dialog units, and its conversion to pixels for the dialog font.
    struct TemplateItem {
        int id;
        int x, y, cx, cy;
    };
    static QRect DialogUnitsToPixels(const TemplateItem &item);

private:
    void OnInitDialog();
    void OnSelChange();

    QCalendarWidget *m_pMonthCalendar = nullptr; // owned by the dialog (Qt parent)
    QPushButton *m_pOk = nullptr;                // owned by the dialog
    QPushButton *m_pCancel = nullptr;            // owned by the dialog
    std::int64_t m_timeChosen = 0;
};
