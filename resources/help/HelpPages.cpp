#include "HelpContexts.h"

#include <QtGlobal>

void InitHelpPages()
{
    Q_INIT_RESOURCE(help);
}
