// The About box and the GemTek's serial line; the setup tool, the companion
// and help follow here.

#include "MainForm.h"

#include "AdapterCatalogue.h"
#include "SerialRadio.h"
#include "TunerSettings.h"
#include "about.h"

#include <QDialog>
#include <QMessageBox>

void TMainForm::WirePrograms()
{
    for (QAction* a : {item_habout, About1, sp_about})
        connect(a, &QAction::triggered, this, &TMainForm::item_haboutClick);
    // A click on the logo arrives through the window's event filter.
}

void TMainForm::item_haboutClick()
{
    frm_about->AlwaysOnTop = TunerSettings.AlwaysOnTop;
    ShowModal(*frm_about);
}

void TMainForm::ShowModal(QDialog& dialog)
{
    dialog.exec();
    // Not every window manager gives the focus back to the window a dialog
    // belonged to; without it the panel's keys would go nowhere.
    if (isVisible() && !isMinimized())
        activateWindow();
}

void TMainForm::OpenSerialLine()
{
    if (TunerSettings.Adapter != SerialLineAdapter)
        return;
    try {
        OpenSerialRadio();
    } catch (const std::exception& e) {
        QMessageBox::critical(this, "Tunzo", QString::fromStdString(SerialRadioErrorText(e)));
    }
}

void TMainForm::CloseSerialLine()
{
    if (TunerSettings.Adapter == SerialLineAdapter)
        CloseSerialRadio();
}
