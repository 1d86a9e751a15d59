#pragma once

#include <QPixmap>
#include <QPoint>
#include <QTimer>
#include <QWidget>

class IScrollableList;

// The bitmap scrollbar beside the file list, 18 pixels wide. It reads the list's scroll state
// and scrolls it through IScrollableList; the list calls UpdateThumb() whenever it paints.
//
// Geometry (client W x H): up arrow (0, 0)-(19, 16), down arrow (0, H - 16)-(19, H), track
// between y 16 and H - 16, thumb (0, top)-(17, top + height), height at least 20.
class CKipFileListVerticleScrollbar : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kArrowHeight = 16;
    static constexpr int kMinThumbHeight = 20;
    static constexpr int kLineStepPx = 21; // one arrow step or auto-repeat step
    static constexpr int kPageRowPx = 21;  // pixels per row when paging
    // Pixels per scroll unit when dragging the thumb: the same row pitch as paging, so a list
    // that rounds pixels to its 21-pixel rows lands on the row under the thumb (at 20 it would
    // fall a row short every 21 rows and never reach the last page in one move).
    static constexpr int kDragRowPx = 21;
    static constexpr int kRepeatDelayMs = 250; // timer 2
    static constexpr int kRepeatPeriodMs = 50; // timer 1

    explicit CKipFileListVerticleScrollbar(QWidget *parent = nullptr);
    ~CKipFileListVerticleScrollbar() override;

    // The list this bar serves (not owned); nullptr detaches it.
    void SetList(IScrollableList *list);
    IScrollableList *GetList() const { return m_pList; }

    // Recomputes the thumb from the list's scroll state, shows or hides the bar, redraws.
    void UpdateThumb();

    int GetThumbTop() const { return m_nThumbTop; }
    int GetThumbHeight() const { return m_nThumbHeight; }
    QRect GetThumbRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void OnTimer2();
    void OnTimer1();
    void Scroll(int dyPixels);
    void ClampThumb();
    void StopTracking();
    bool OnUpArrow(const QPoint &pt) const;
    bool OnDownArrow(const QPoint &pt) const;

    IScrollableList *m_pList = nullptr;
    bool m_bUpHeld = false;
    bool m_bDownHeld = false;
    bool m_bThumbDragging = false;
    int m_nThumbTop = kArrowHeight;
    int m_nThumbHeight = 50;
    double m_dRatio = 0.0; // track pixels per scroll unit
    QPoint m_ptDragStart;
    QTimer m_timer1; // auto-repeat, every 50 ms
    QTimer m_timer2; // the delay before auto-repeat, 250 ms
    QPixmap m_up, m_track, m_down, m_thumb;
};
