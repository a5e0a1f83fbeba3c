// tunzo as the start-up benchmark runs it: tunzo's own main() with a report
// once the window is exposed. It links exactly what tunzo links, so the same
// libraries load and the same start-up runs; only the report is added.

#include "MainForm.h"
#include "ReportWhenExposed.h"
#include "TunzoProgram.h"

int main(int argc, char** argv)
{
    return RunTunzo(argc, argv, [](TMainForm& form) {
        ReportWhenExposed(form, [&form] { form.TerminateApplication(); });
    });
}
