#pragma once

#include <QDialog>
#include <QPoint>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>

class CKipSkinButton;
class CKipStaticTrans;

// The memory card information window (template 492, 338 x 412 on bitmap 493): total and free
// space, the space of each recording category, the firmware and viewer versions and a support
// note. Modeless; everything is computed once, in OnInitDialog. Its close button hides it.
class CInformationDlg : public QDialog
{
    Q_OBJECT
public:
    static constexpr int IDD = 492;
    static constexpr int IDC_CLOSE = 1105;
    static constexpr int kWidth = 338;
    static constexpr int kHeight = 412;
    static constexpr int kStaticCount = 21;
    // The statics that show values.
    static constexpr int IDC_TOTAL = 10109;
    static constexpr int IDC_FREE = 10111;
    static constexpr int IDC_NORMAL = 10114;
    static constexpr int IDC_EVENT = 10116;
    static constexpr int IDC_MOTION = 10118;
    static constexpr int IDC_FIRMWARE = 10119;
    static constexpr int IDC_VIEWER_VERSION = 10123;
    static constexpr int IDC_SUPPORT_INFO = 10107;

    // `libraryRoot` is the main window's m_strLibraryRoot; the drive that holds it is shown.
    CInformationDlg(const QString &libraryRoot, QWidget *parent);
    ~CInformationDlg() override;

    // Size, centre, the close button and the 21 statics; then the card's values and the
    // layout of the main window's language.
    void OnInitDialog();

    // After the card's drive was removed: capacities "0.0 GB", no firmware version, hidden.
    void ResetForCardRemoval();

    // The static with control id `id`, or null.
    CKipStaticTrans *Static(int id) const;
    CKipSkinButton *CloseButton() const { return m_btnClose; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void CreateStatics();
    void FillValues();
    void LayoutForLanguage(std::uint16_t language);
    void SetStaticText(int id, const QString &text);
    // Fits a static's text into its room: a smaller font, then elision (full text as tooltip).
    void FitText(std::size_t index);
    int TextRoom(std::size_t index) const;

    QString m_strLibraryRoot;
    CKipSkinButton *m_btnClose = nullptr; // children of this window
    std::array<CKipStaticTrans *, kStaticCount> m_statics{};
    std::array<QString, kStaticCount> m_strTexts; // each static's whole text, before fitting
    bool m_bDragging = false;
    QPoint m_ptDragOffset;
};
