#pragma once
// Whether a message box can be shown and answered here. Never on the
// offscreen or minimal platforms that tests and headless runs use, where a
// modal box would wait for ever; otherwise only with a display. Asked before
// the application object exists, so it reads the environment.
bool CanShowMessageBox();
