#pragma once

#include <QDialog>
#include <QString>
#include <QStyleOptionComboBox>

class QComboBox;
class QLabel;
class QPushButton;

// The drive selection dialog (template 130): a sorted list of the removable drives, each as
// "root[label]" ("/media/anna/CAMERA[CAMERA]"), and an OK button. Esc and the close box cancel.
class CSelectDriveDlg : public QDialog
{
    Q_OBJECT
public:
    static constexpr int IDD = 130;
    static constexpr int IDC_COMBO_DRIVE = 1024;
    static constexpr int IDC_STATIC_DRIVE = 1095;
    static constexpr int IDC_STATIC_SELECT = 1096;

    explicit CSelectDriveDlg(QWidget *parent = nullptr);

    // Sets the texts and fills the list with the removable drives, the first selected.
    // Returns false when no drive is there: the dialog then counts as cancelled and must not
    // be shown.
    bool OnInitDialog();

    // The selected entry's text goes to m_strDrive.
    void DoDataExchange();

    // The drive root of an entry: the part before its last '['.
    static QString RootOfEntry(const QString &entry);

    // The root of the chosen entry, after OK. Kept beside each entry, so a label or a mount
    // point holding '[' still gives the right root.
    QString m_strDriveRoot;

    QComboBox *ComboDrive() const { return m_comboDrive; }
    QPushButton *OkButton() const { return m_buttonOk; }

    QString m_strDrive; // the chosen entry, after OK

    // What the closed list shows of the selected entry: mount points are longer than drive
    // letters, so an entry too wide for the field loses its beginning, never its label.
    QString DisplayedEntry() const;

protected:
    void OnOK();
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void AddSorted(const QString &entry, const QString &root);
    QStyleOptionComboBox ComboStyleOption() const;
    void PaintCombo();

    QComboBox *m_comboDrive = nullptr; // 1024, children of this dialog
    QLabel *m_staticDrive = nullptr;   // 1095
    QLabel *m_staticSelect = nullptr;  // 1096
    QPushButton *m_buttonOk = nullptr; // 1
};
