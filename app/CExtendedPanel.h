#pragma once

#include "app/MainWindowTables.h"

#include <QWidget>

#include <memory>
#include <span>
#include <vector>

class CKipImageSlider;
class CKipSkinButton;
class CKipStaticTrans;

// What the three extended-mode panels share: an overlay inside the main window that carries
// skinned copies of the window's controls, finds them by control id (their object names), and
// passes every click, slider move and accelerator key on as a signal. The main window runs
// its own operation for each; a panel holds no state of its own that matters.
//
// Keys: PageUp and PageDown, whichever of the panel's controls has the focus, become the
// accelerator commands (previous and next recording); other keys get the controls' ordinary
// handling and never reach the main window's shortcuts.
class CExtendedPanel : public QWidget
{
    Q_OBJECT
public:
    CExtendedPanel(QWidget &owner, const char *name);
    ~CExtendedPanel() override;

    // Controls by id; nullptr for an id this panel does not carry.
    CKipSkinButton *Button(int id) const;
    CKipImageSlider *Slider(int id) const;
    CKipStaticTrans *Text(int id) const;

signals:
    // A click on control `id` of this panel (check boxes already toggled), or an accelerator
    // command (ControlIds::ID_ACCEL_PREVIOUS, ID_ACCEL_NEXT).
    void Command(int id);
    // Trackbar code `code` from slider `id` of this panel.
    void HScroll(int id, int code);

protected:
    // Buttons in table order: skin, no caption, tooltip text in the window's language.
    void CreateButtons(std::span<const MainWindowTables::ButtonRow> rows);
    CKipImageSlider &CreateSlider(int id, const MainWindowTables::Skin &skin);
    CKipStaticTrans &CreateText(int id, const QColor &colour);
    void PlaceControls(std::span<const MainWindowTables::PlacedControl> placed);
    // Every control made so far translates the panel's accelerators first.
    void TranslateAcceleratorsOfControls();

    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    // Accelerator table 499; true when `event` was one of its keys.
    bool TranslateAccelerator(const QKeyEvent &event);

    std::vector<std::unique_ptr<QWidget>> m_controls;
};
