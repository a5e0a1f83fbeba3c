// What the station says about itself, shown on the panel.
#include "MainForm.h"

void TMainForm::FeedRds(uint32_t, const RdsState&) {}
