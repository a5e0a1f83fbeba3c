// The station's sound: played, and recorded.
#include "MainForm.h"

void TMainForm::FeedAudio(const float*, size_t) {}
