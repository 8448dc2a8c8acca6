// The list controls: combo box and list box.
#include "scControls.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>

#include <algorithm>

#include "SysUtils.h"
#include "scBridge.h"
#include "scControlsKit.h"

using sc_gui::qs;
using sc_gui::ss;

// ---------------------------------------------------------------- combo box

// Tells its control when the list opens and closes.
class ScComboWidget final : public QComboBox {
public:
    Ref<TCustomComboBox> Owner;
    void showPopup() override
    {
        QComboBox::showPopup();
        if (TCustomComboBox* owner = Owner.get()) owner->popupShown();
    }
    void hidePopup() override
    {
        QComboBox::hidePopup();
        if (TCustomComboBox* owner = Owner.get()) owner->popupHidden();
    }
};

TCustomComboBox::TCustomComboBox(TComponent* owner) : TWinControl(owner, new ScComboWidget, 145, 21, clWindow, true)
{
    auto* combo = static_cast<ScComboWidget*>(Widget());
    combo->Owner = this;
    items_ = std::make_unique<TWidgetItems<QComboBox>>(combo, sorted_);
    combo->setInsertPolicy(QComboBox::NoInsert);
    SetStyle(csDropDown);
    const auto changed = [this] { RaiseEvent(OnChange, this); };
    QObject::connect(combo, &QComboBox::activated, bridge_, [this, changed](int) { bridge_->Fire([&](TControl&) { changed(); }); });
    QObject::connect(combo, &QComboBox::editTextChanged, bridge_, [this, changed](const QString&) {
        auto* c = qobject_cast<QComboBox*>(Widget());
        if (c && c->lineEdit() && c->lineEdit()->hasFocus()) bridge_->Fire([&](TControl&) { changed(); });
    });
}

TCustomComboBox::~TCustomComboBox()
{
    TearDown();
    if (auto* combo = static_cast<ScComboWidget*>(qobject_cast<QComboBox*>(Widget()))) combo->Owner = nullptr;
}

void TCustomComboBox::popupShown()
{
    droppedDown_ = true;
    if (bridge_) bridge_->Fire([](TControl& c) { RaiseEvent(static_cast<TCustomComboBox&>(c).OnDropDown, &c); });
}

void TCustomComboBox::popupHidden()
{
    if (!droppedDown_) return;
    droppedDown_ = false;
    if (bridge_) bridge_->Fire([](TControl& c) { RaiseEvent(static_cast<TCustomComboBox&>(c).OnCloseUp, &c); });
}

std::string TCustomComboBox::GetText() const
{
    auto* combo = qobject_cast<QComboBox*>(Widget());
    return combo ? ss(combo->currentText()) : std::string();
}

void TCustomComboBox::SetText(const std::string& value)
{
    auto* combo = qobject_cast<QComboBox*>(Widget());
    if (!combo) return;
    if (combo->isEditable())
        combo->setEditText(qs(value));
    else
        combo->setCurrentIndex(combo->findText(qs(value)));
}

int32_t TCustomComboBox::ItemIndex() const
{
    auto* combo = qobject_cast<QComboBox*>(Widget());
    if (!combo) return -1;
    // An edited text that is no item selects nothing.
    if (combo->isEditable() && combo->currentIndex() >= 0 && combo->currentText() != combo->itemText(combo->currentIndex()))
        return -1;
    return combo->currentIndex();
}

void TCustomComboBox::SetItemIndex(int32_t value)
{
    auto* combo = qobject_cast<QComboBox*>(Widget());
    if (!combo) return;
    if (value < -1 || value >= combo->count()) value = -1;
    combo->setCurrentIndex(value);
    if (value < 0 && combo->isEditable()) combo->setEditText(QString());
}

void TCustomComboBox::SetDroppedDown(bool value)
{
    auto* combo = qobject_cast<QComboBox*>(Widget());
    if (!combo || value == droppedDown_) return;
    if (value)
        combo->showPopup();
    else
        combo->hidePopup();
}

void TCustomComboBox::SetStyle(TComboBoxStyle value)
{
    style_ = value;
    auto* combo = qobject_cast<QComboBox*>(Widget());
    if (!combo) return;
    const std::string text = GetText();
    combo->setEditable(value == csDropDown || value == csSimple);
    if (combo->lineEdit()) {
        combo->lineEdit()->setMaxLength(maxLength_ ? maxLength_ : 32767);
        bridge_->Watch(combo->lineEdit());
    }
    SetText(text);
}

void TCustomComboBox::SetSorted(bool value)
{
    sorted_ = value;
    if (value)
        if (auto* combo = qobject_cast<QComboBox*>(Widget())) combo->model()->sort(0);
}

void TCustomComboBox::SetDropDownCount(int32_t value)
{
    dropDownCount_ = std::max(value, 1);
    if (auto* combo = qobject_cast<QComboBox*>(Widget())) combo->setMaxVisibleItems(dropDownCount_);
}

void TCustomComboBox::SetMaxLength(int32_t value)
{
    maxLength_ = std::max(value, 0);
    SetStyle(style_);
}

void TCustomComboBox::Publish(TClassBuilder<TCustomComboBox>& b)
{
    b.property("Items", &TCustomComboBox::Items, &TCustomComboBox::SetItems);
    b.property("Text", &TCustomComboBox::GetText, &TCustomComboBox::SetText);
    b.property("DropDownCount", &TCustomComboBox::DropDownCount, &TCustomComboBox::SetDropDownCount).defaultValue(8);
    b.property("MaxLength", &TCustomComboBox::MaxLength, &TCustomComboBox::SetMaxLength).defaultValue(0);
    b.property("Sorted", &TCustomComboBox::Sorted, &TCustomComboBox::SetSorted).defaultValue(false);
    b.property("Style", &TCustomComboBox::Style, &TCustomComboBox::SetStyle).defaultValue(csDropDown);
    b.property("OnChange", &TCustomComboBox::OnChange);
    b.property("OnDropDown", &TCustomComboBox::OnDropDown);
    b.property("OnCloseUp", &TCustomComboBox::OnCloseUp);
    b.redeclare("Width").defaultValue(145);
    b.redeclare("Height").defaultValue(21);
    b.redeclare("TabStop").defaultValue(true);
}

// ---------------------------------------------------------------- list box

TCustomListBox::TCustomListBox(TComponent* owner) : TWinControl(owner, new QListWidget, 121, 97, clWindow, true)
{
    auto* list = static_cast<QListWidget*>(Widget());
    items_ = std::make_unique<TWidgetItems<QListWidget>>(list, sorted_);
    bridge_->Watch(list->viewport());
    applySelectionMode();
}

TCustomListBox::~TCustomListBox()
{
    TearDown();
}

int32_t TCustomListBox::ItemIndex() const
{
    auto* list = qobject_cast<QListWidget*>(Widget());
    return list ? list->currentRow() : -1;
}

void TCustomListBox::SetItemIndex(int32_t value)
{
    auto* list = qobject_cast<QListWidget*>(Widget());
    if (!list) return;
    if (value < -1 || value >= list->count()) value = -1;
    list->setCurrentRow(value);
}

int32_t TCustomListBox::SelCount() const
{
    auto* list = qobject_cast<QListWidget*>(Widget());
    if (!list || !multiSelect_) return -1;
    return static_cast<int32_t>(list->selectedItems().size());
}

bool TCustomListBox::Selected(int32_t index) const
{
    auto* list = qobject_cast<QListWidget*>(Widget());
    if (!list || index < 0 || index >= list->count()) RaiseListIndexError(index);
    return list->item(index)->isSelected();
}

void TCustomListBox::SetSelected(int32_t index, bool value)
{
    auto* list = qobject_cast<QListWidget*>(Widget());
    if (!list || index < 0 || index >= list->count()) RaiseListIndexError(index);
    if (!multiSelect_ && value) list->setCurrentRow(index);
    list->item(index)->setSelected(value);
}

void TCustomListBox::applySelectionMode()
{
    auto* list = qobject_cast<QListWidget*>(Widget());
    if (!list) return;
    list->setSelectionMode(!multiSelect_      ? QAbstractItemView::SingleSelection
                           : extendedSelect_ ? QAbstractItemView::ExtendedSelection
                                             : QAbstractItemView::MultiSelection);
}

void TCustomListBox::SetMultiSelect(bool value)
{
    multiSelect_ = value;
    applySelectionMode();
}

void TCustomListBox::SetExtendedSelect(bool value)
{
    extendedSelect_ = value;
    applySelectionMode();
}

void TCustomListBox::SetSorted(bool value)
{
    sorted_ = value;
    if (auto* list = qobject_cast<QListWidget*>(Widget()); list && value) list->sortItems();
}

void TCustomListBox::SetItemHeight(int32_t value)
{
    itemHeight_ = std::max(value, 1);
}

void TCustomListBox::SetColumns(int32_t value)
{
    columns_ = std::max(value, 0);
    // Items flow down and wrap into further columns.
    if (auto* list = qobject_cast<QListWidget*>(Widget())) list->setWrapping(columns_ > 0);
}

void TCustomListBox::Publish(TClassBuilder<TCustomListBox>& b)
{
    b.property("Items", &TCustomListBox::Items, &TCustomListBox::SetItems);
    b.property("Columns", &TCustomListBox::Columns, &TCustomListBox::SetColumns).defaultValue(0);
    b.property("ExtendedSelect", &TCustomListBox::ExtendedSelect, &TCustomListBox::SetExtendedSelect).defaultValue(true);
    b.property("ItemHeight", &TCustomListBox::ItemHeight, &TCustomListBox::SetItemHeight).defaultValue(16);
    b.property("MultiSelect", &TCustomListBox::MultiSelect, &TCustomListBox::SetMultiSelect).defaultValue(false);
    b.property("Sorted", &TCustomListBox::Sorted, &TCustomListBox::SetSorted).defaultValue(false);
    b.property("Style", &TCustomListBox::Style, &TCustomListBox::SetStyle).defaultValue(lbStandard);
    b.redeclare("Width").defaultValue(121);
    b.redeclare("Height").defaultValue(97);
    b.redeclare("TabStop").defaultValue(true);
}
