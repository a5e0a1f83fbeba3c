// The About box; the setup tool, the companion, help and the serial line
// follow here.

#include "MainForm.h"

#include "HelpContexts.h"
#include "HelpWindow.h"
#include "TunerSettings.h"
#include "about.h"

#include <QDialog>

void TMainForm::WirePrograms()
{
    for (QAction* a : {item_habout, About1, sp_about})
        connect(a, &QAction::triggered, this, &TMainForm::item_haboutClick);
    // A click on the logo arrives through the window's event filter.
    for (QAction* a : {Index1, Index2})
        connect(a, &QAction::triggered, this, &TMainForm::Index1Click);
    for (QAction* a : {Searchforhelpon1, Searchforhelpon2})
        connect(a, &QAction::triggered, this, &TMainForm::Searchforhelpon1Click);
    InstallHelpKey(HelpMainWindow);
}

void TMainForm::Index1Click()
{
    ShowHelp(HelpTopics);
}

void TMainForm::Searchforhelpon1Click()
{
    ShowHelpSearch();
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
