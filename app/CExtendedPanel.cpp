#include "app/CExtendedPanel.h"

#include "ui/CKipImageSlider.h"
#include "ui/CKipSkinButton.h"
#include "ui/CKipStaticTrans.h"
#include "ui/CTextTable.h"
#include "ui/ControlIds.h"

#include <QKeyEvent>
#include <QMouseEvent>

using namespace MainWindowTables;

namespace
{
QString ControlName(int id)
{
    return QString::number(id);
}
} // namespace

CExtendedPanel::CExtendedPanel(QWidget &owner, const char *name) : QWidget(&owner)
{
    setObjectName(QString::fromLatin1(name));
    // The pointer over a panel is not the main window's pointer: the zones of extended mode
    // must not see it, as they would not see it over a window of its own.
    setAttribute(Qt::WA_NoMousePropagation);
    setMouseTracking(true);
    hide();
}

CExtendedPanel::~CExtendedPanel() = default;

CKipSkinButton *CExtendedPanel::Button(int id) const
{
    return findChild<CKipSkinButton *>(ControlName(id), Qt::FindDirectChildrenOnly);
}

CKipImageSlider *CExtendedPanel::Slider(int id) const
{
    return findChild<CKipImageSlider *>(ControlName(id), Qt::FindDirectChildrenOnly);
}

CKipStaticTrans *CExtendedPanel::Text(int id) const
{
    return findChild<CKipStaticTrans *>(ControlName(id), Qt::FindDirectChildrenOnly);
}

void CExtendedPanel::CreateButtons(std::span<const ButtonRow> rows)
{
    const CTextTable texts;
    for (const ButtonRow &row : rows) {
        auto button = std::make_unique<CKipSkinButton>(this,
                                                       row.kind == ButtonKind::Check
                                                           ? CKipSkinButton::Kind::CheckBox
                                                           : CKipSkinButton::Kind::Push,
                                                       row.id);
        button->setObjectName(ControlName(row.id));
        button->setFocusPolicy(Qt::StrongFocus);
        button->SetBitmaps(row.skin[0], row.skin[1], row.skin[2], row.skin[3], row.skin[4]);
        button->setText(QString());
        button->SetTooltipText(texts.GetText(QString::fromLatin1(row.tooltipKey)));
        connect(button.get(), &CKipSkinButton::Command, this, &CExtendedPanel::Command);
        m_controls.push_back(std::move(button));
    }
}

CKipImageSlider &CExtendedPanel::CreateSlider(int id, const Skin &skin)
{
    auto slider = std::make_unique<CKipImageSlider>(this, id);
    slider->setObjectName(ControlName(id));
    slider->SetBitmaps(skin[0], skin[1], skin[2], skin[3], skin[4]);
    slider->SetWheelPasses(false);
    connect(slider.get(), &CKipImageSlider::HScroll, this,
            [this, id](int code, CKipImageSlider *) { emit HScroll(id, code); });
    CKipImageSlider &out = *slider;
    m_controls.push_back(std::move(slider));
    return out;
}

CKipStaticTrans &CExtendedPanel::CreateText(int id, const QColor &colour)
{
    auto text = std::make_unique<CKipStaticTrans>(this, id);
    text->setObjectName(ControlName(id));
    text->SetTextColor(colour);
    text->SetBackgroundColor(std::nullopt);
    CKipStaticTrans &out = *text;
    m_controls.push_back(std::move(text));
    return out;
}

void CExtendedPanel::PlaceControls(std::span<const PlacedControl> placed)
{
    for (const PlacedControl &control : placed)
        if (auto *widget = findChild<QWidget *>(ControlName(control.id)))
            widget->setGeometry(control.rect);
}

void CExtendedPanel::TranslateAcceleratorsOfControls()
{
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);
}

bool CExtendedPanel::TranslateAccelerator(const QKeyEvent &event)
{
    if (event.modifiers() != Qt::NoModifier && event.modifiers() != Qt::KeypadModifier)
        return false;
    if (event.key() == Qt::Key_PageUp) {
        emit Command(ControlIds::ID_ACCEL_PREVIOUS);
        return true;
    }
    if (event.key() == Qt::Key_PageDown) {
        emit Command(ControlIds::ID_ACCEL_NEXT);
        return true;
    }
    return false;
}

bool CExtendedPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && TranslateAccelerator(*static_cast<QKeyEvent *>(event)))
        return true;
    return QWidget::eventFilter(watched, event);
}

void CExtendedPanel::keyPressEvent(QKeyEvent *event)
{
    // A key the controls left alone ends here: the main window's shortcuts are not a panel's.
    TranslateAccelerator(*event);
    event->accept();
}

void CExtendedPanel::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
}
