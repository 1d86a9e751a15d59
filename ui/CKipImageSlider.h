#pragma once

#include <QAbstractSlider>
#include <QPixmap>

// The bitmap-skinned horizontal trackbar of the position, speed, volume and brightness
// controls. Range and position are the slider's own (minimum(), maximum(), value(), or the
// Windows-shaped names below); line size 1, page size 10.
//
// Every change is reported with HScroll(code, this), delivered queued (after the slider has
// finished the current event). Owners read the position with GetPos(): positions may exceed
// 16 bits (milliseconds), so the notification carries none.
class CKipImageSlider : public QAbstractSlider
{
    Q_OBJECT

public:
    // Trackbar notification codes.
    enum Code {
        TB_LINEUP = 0,
        TB_LINEDOWN = 1,
        TB_PAGEUP = 2,
        TB_PAGEDOWN = 3,
        TB_THUMBPOSITION = 4,
        TB_THUMBTRACK = 5,
        TB_TOP = 6,
        TB_BOTTOM = 7,
        TB_ENDTRACK = 8,
    };

    explicit CKipImageSlider(QWidget *parent = nullptr, int id = 0);
    ~CKipImageSlider() override;

    // Five bitmap ids: channel, fill, thumb, pressed thumb, focused thumb.
    void SetBitmaps(int channel, int fill, int thumb, int thumbPressed, int thumbFocused);

    // Trackbar messages. SetPos clamps into the range like TBM_SETPOS.
    void SetRange(int min, int max) { setRange(min, max); }
    void SetRangeMin(int min) { setMinimum(min); }
    void SetRangeMax(int max) { setMaximum(max); }
    int GetRangeMin() const { return minimum(); }
    int GetRangeMax() const { return maximum(); }
    void SetPos(int pos) { setValue(pos); }
    int GetPos() const { return value(); }
    void SetLineSize(int size) { setSingleStep(size); }
    int GetLineSize() const { return singleStep(); }
    void SetPageSize(int size) { setPageStep(size); }
    int GetPageSize() const { return pageStep(); }

    // 1 (default): the wheel moves the slider by its line size; 0: the wheel only redraws.
    void SetWheelPasses(bool passes) { m_bWheelPasses = passes; }
    bool GetWheelPasses() const { return m_bWheelPasses; }

    int GetDlgCtrlID() const { return m_nId; }
    void SetDlgCtrlID(int id) { m_nId = id; }
    bool IsDragging() const { return m_bDragging; }

    // Draws the slider at once (the position tick calls it before invalidating).
    void RedrawNow();

    // The pointer-to-position and position-to-thumb mappings, in double precision.
    // PointerToPos may return max + 1 (the slider then holds max). A range of one value puts
    // the thumb at the left end.
    static int PointerToPos(int x, int clientWidth, int thumbWidth, int margin, int min, int max);
    static int PosToThumbX(int pos, int clientWidth, int thumbWidth, int margin, int min, int max);

    QSize sizeHint() const override;

signals:
    void HScroll(int code, CKipImageSlider *slider);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void Notify(int code);
    // Moves to the position under pointer x; true when the position changed.
    bool ApplyPointer(int x);
    const QPixmap &CurrentThumb() const;

    int m_nId;
    QPixmap m_channel;
    QPixmap m_fill;
    QPixmap m_thumb;        // white keyed out
    QPixmap m_thumbPressed; // white keyed out
    QPixmap m_thumbFocused; // white keyed out
    int m_nThumbWidth = 0;
    int m_nThumbHeight = 0;
    int m_nMargin = 0;
    int m_nThumbY = 0;
    bool m_bDragging = false;
    bool m_bMoved = false;
    bool m_bWheelPasses = true;
};
