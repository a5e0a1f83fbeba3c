#pragma once
// Combo boxes whose items carry the stored number they stand for.

#include <QComboBox>
#include <QStandardItemModel>

// Selects the item for `value`. A value none of the items stands for gets an
// item of its own, named `otherText`, so that the box shows what is stored
// rather than a choice the user did not make.
inline void SelectChoice(QComboBox* combo, int value, const QString& otherText)
{
    int index = combo->findData(value);
    if (index < 0) {
        combo->addItem(otherText, value);
        index = combo->count() - 1;
    }
    combo->setCurrentIndex(index);
}

inline void EnableChoice(QComboBox* combo, int value, bool enabled)
{
    auto* model = qobject_cast<QStandardItemModel*>(combo->model());
    if (QStandardItem* item = model ? model->item(combo->findData(value)) : nullptr)
        item->setEnabled(enabled);
}
