#pragma once

#include "app/CControlFileListDlg.h"
#include "app/CControlPanelDlg.h"
#include "app/CControlTopDlg.h"
#include "app/MainWindowTables.h"
#include "ui/MainWindowModes.h"
#include "library/widgets/CConfigListCtrl.h"
#include "ui/CKipImageSlider.h"
#include "ui/CKipSkinButton.h"
#include "ui/CKipStaticTrans.h"
#include "playback/CStaticView.h"
#include "sensors/widgets/CMapView.h"
#include "ui/ControlIds.h"

#include <QWidget>

#include <array>
#include <memory>
#include <span>

// The main window's widgets, found by control id: 29 skin buttons, four sliders, three texts,
// the two video windows, the file list, the map window and the three extended-mode panels
// (overlays inside the window, so they follow it wherever the windowing system puts it).
// It sets them up, places them and applies the control states; what they mean to the user is
// the rooms' business.
class CMainWindowControls
{
public:
    CMainWindowControls();

    // Steps 2, 3 and 5 to 11 of the window's control creation, every widget a child of `window`.
    void Create(QWidget &window);
    // The three panels, hidden overlays inside `window`, made in the order control bar, top
    // bar, file list panel.
    void CreatePanels(QWidget &window);

    // Controls by id (nullptr for an unknown id); the video windows by ControlIds::kVideoWindow1/2.
    QWidget *Control(int id);
    CKipSkinButton *Button(int id);
    CKipImageSlider *Slider(int id);
    // A control of the window or of a panel; nullptr while that panel does not exist.
    QWidget *PanelControl(MainWindowTables::Owner owner, int id);
    CKipSkinButton *PanelButton(MainWindowTables::Owner owner, int id);
    CKipImageSlider *PanelSlider(MainWindowTables::Owner owner, int id);
    CKipStaticTrans *PanelText(MainWindowTables::Owner owner, int id);
    CControlPanelDlg *ControlPanel() const { return m_dlgControlPanel.get(); }
    CControlTopDlg *ControlTop() const { return m_dlgControlTop.get(); }
    CControlFileListDlg *ControlFileList() const { return m_dlgControlFileList.get(); }
    // True when `widget` is one of the panels or lies inside one.
    bool IsInPanel(const QWidget *widget) const;

    void SetButtonSkin(int id, const MainWindowTables::Skin &skin);
    void SetSliderSkin(int id, const MainWindowTables::Skin &skin);
    void SetPanelButtonSkin(MainWindowTables::Owner owner, int id,
                            const MainWindowTables::Skin &skin);
    void PlaceAndShow(int id, const QRect &rect);
    void HideControls(std::span<const int> ids);
    // The file list together with its skinned scrollbar.
    void ShowFileList(bool shown);

    // Enables, disables and hides controls of the window and the panels for control state
    // `state`; other numbers change nothing. `videoStreams` drives the single-stream rule.
    void ApplyControlState(ControlState state, int videoStreams);

    // "Video window1" and "Video window2".
    CStaticView m_wndVideo1;
    CStaticView m_wndVideo2;
    CConfigListCtrl m_listFiles;
    CKipStaticTrans m_staticPositionTime{nullptr, ControlIds::IDC_POSITION_TIME};
    CKipStaticTrans m_staticTotalTime{nullptr, ControlIds::IDC_TOTAL_TIME};
    CKipStaticTrans m_staticFileName{nullptr, ControlIds::IDC_FILE_NAME};
    CMapView m_wndMap;

private:
    // The panel of `owner`; nullptr for the window itself or while the panel does not exist.
    CExtendedPanel *Panel(MainWindowTables::Owner owner) const;
    void ApplyAudioRule();
    void ApplySingleStreamRule(int videoStreams);

    // In CreateControls order.
    std::array<std::unique_ptr<CKipSkinButton>, 29> m_buttons;
    std::array<std::unique_ptr<CKipImageSlider>, 4> m_sliders;
    std::unique_ptr<CControlPanelDlg> m_dlgControlPanel;
    std::unique_ptr<CControlTopDlg> m_dlgControlTop;
    std::unique_ptr<CControlFileListDlg> m_dlgControlFileList;
};
