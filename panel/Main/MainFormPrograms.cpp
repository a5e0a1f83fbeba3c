// The About box; the setup tool, the companion, help and the serial line
// follow here.

#include "MainForm.h"

#include "TunerSettings.h"
#include "about.h"



void TMainForm::WirePrograms()
{
    for (QAction* a : {item_habout, About1, sp_about})
        connect(a, &QAction::triggered, this, &TMainForm::item_haboutClick);
    // A click on the logo arrives through the window's event filter.
}

void TMainForm::item_haboutClick()
{
    frm_about->AlwaysOnTop = TunerSettings.AlwaysOnTop;
    frm_about->exec();
}
