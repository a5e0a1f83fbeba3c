// pipit as its benchmark runs it: pipit's own main() with a report once the
// start-up is done and its loop runs, the icon shown. It links exactly what
// pipit links; only the report is added.

#include "FmHiddenForm.h"
#include "PipitProgram.h"
#include "ReportWhenExposed.h"

int main(int argc, char** argv)
{
    return RunPipit(argc, argv, [](TFmHiddenForm& form) {
        WriteExposedReport();
        form.Shutdown();
    });
}
